#pragma once

#include <string>

namespace qvr {

// Where the settings file of a program at programPath lives.
//
// Beside the program (settingsPathFor) when its user may write it there: the
// folder that holds the file (the file behind it, for a link) is writable, since
// a write replaces the file through a temporary in that folder. A program
// installed in the FHS layout (share/qvrutl beside its bin/) never counts as
// portable, so that even root does not leave a file in /usr/bin. Otherwise
// <configHome>/qvrutl/qvrutl.INI, configHome being $XDG_CONFIG_HOME or ~/.config.
std::string chooseSettingsPath(const std::string& programPath, const std::string& configHome);

// Where the value history lives: beside the program when the settings file chosen
// is the one beside it (the portable folder), else <dataHome>/qvrutl/history.sqlite,
// dataHome being $XDG_DATA_HOME or ~/.local/share.
std::string chooseHistoryPath(
    const std::string& settingsPath, const std::string& programPath, const std::string& dataHome);

} // namespace qvr
