#pragma once

namespace qvr {

// The start-up sequence, the message loop and the orderly end; returns 0 always.
int runProgram(int argc, char** argv);

} // namespace qvr
