#pragma once

#include <string>

namespace qvr {

// The settings file of the running program: its full path with ".INI" for the extension.
std::string programSettingsPath();

} // namespace qvr
