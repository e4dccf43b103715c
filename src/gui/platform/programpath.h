#pragma once

#include <string>

namespace qvr {

// The settings file of this run (chooseSettingsPath for the running program and
// the user's configuration folder). Chosen at the first call and kept for the
// rest of the run, so the writes at exit go to the file the start read; the
// configuration folder is made when it is the one chosen.
std::string programSettingsPath();

} // namespace qvr
