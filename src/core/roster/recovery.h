#pragma once
// Recovery copies: the roster as it stood at the end of a run with changes that
// no Save had written, kept as roster files in a per-user folder.

#include <cstddef>
#include <ctime>
#include <string>

#include "roster/charrecord.h"

namespace qvr {

constexpr std::size_t RECOVERY_KEEP = 20;

// $XDG_STATE_HOME/qvrutl/recovery, or $HOME/.local/state/qvrutl/recovery when
// XDG_STATE_HOME is unset or not absolute; empty when neither gives a folder.
std::string recoveryFolder();

// "2026-12-09_14-03-22.pd3" for that local time.
std::string recoveryFileName(std::time_t when);

// Writes the roster into the folder (made when missing) under the name of the
// local time, with "_2", "_3", ... when that name is taken, then removes all but
// the newest `keep` copies. Gives the path written; throws errCannotCreate or
// errWrite when the folder or the copy cannot be written.
std::string writeRecoveryCopy(
    const Roster& roster, const std::string& folder, std::time_t when, std::size_t keep = RECOVERY_KEEP);

} // namespace qvr
