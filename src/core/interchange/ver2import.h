#pragma once
// The previous version's roster file (".pd2"): 50 slots of 2192 bytes, no header.

#include <string>
#include <string_view>

#include "roster/charrecord.h"

namespace qvr {

constexpr std::size_t VER2_SLOT_SIZE = 2192;
constexpr std::size_t VER2_SLOT_COUNT = 50;

// The records of the whole, non-empty slots, in slot order; an incomplete slot
// ends the reading and builds no record.
Roster parseVer2(std::string_view bytes);

// Appends the file's characters to the roster; throws errCannotOpen, adding
// nothing, when there is no file at the path or it cannot be read.
void importVer2(const std::string& path, Roster& roster);

} // namespace qvr
