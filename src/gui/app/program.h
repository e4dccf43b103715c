#pragma once

#include <functional>

class QIcon;
class TForm1;

namespace qvr {

// Called once during start-up, after the three windows exist and before the main
// window is shown: a seam for probes (the start-up benchmark), empty in the program.
using MainWindowHook = std::function<void(TForm1&)>;

// The window icon of every window, in the sizes of data/icons.
QIcon programIcon();

// The command line, the start-up sequence, the message loop and the orderly end.
// Returns 0, or before any window with --help and --version (0) or a wrong
// command line (2).
int runProgram(int argc, char** argv, const MainWindowHook& onMainWindow = {});

} // namespace qvr
