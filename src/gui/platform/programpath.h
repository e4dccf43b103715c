#pragma once

#include <string>

class QString;

namespace qvr {

// The settings file of this run (chooseSettingsPath for the running program and
// the user's configuration folder). Chosen at the first call and kept for the
// rest of the run, so the writes at exit go to the file the start read; the
// configuration folder is made when it is the one chosen.
std::string programSettingsPath();

// The history file of this run (chooseHistoryPath for the settings file of the run
// and the user's data folder).
std::string programHistoryPath();

// Where a module of the program (lib/qvrutl/<file>) is for a program in
// programDir: in that folder (the portable folder, the build tree), else in
// ../lib/qvrutl/ (an installed bin/ folder). The first when neither exists.
QString modulePathFor(const QString& programDir, const char* file);
// The same for the running program.
QString programModulePath(const char* file);

} // namespace qvr
