#pragma once
// The roster file (".pd3"): version byte 0x33, element count, then one block per
// element: 148 bytes of record, memo length L, L memo bytes. Little-endian.

#include <optional>
#include <string>
#include <string_view>

#include "roster/charrecord.h"

namespace qvr {

constexpr unsigned char ROSTER_VERSION = 0x33;
constexpr std::size_t ROSTER_HEADER_SIZE = 5;
constexpr std::size_t ROSTER_BLOCK_FIXED = 152; // record part and memo length

std::string serializeRoster(const Roster& roster);

// The roster the bytes hold, or nothing when they are not a whole roster file
// (another version byte, a count below 1, a block or memo cut short, a negative
// memo length). Never allocates more than the bytes can hold.
std::optional<Roster> parseRoster(std::string_view bytes);

// Replaces the roster's content with the file's; throws errCannotOpen when the
// file cannot be opened or read, errNotRoster when it is not a whole roster file.
// On failure the roster is untouched.
void loadRoster(const std::string& path, Roster& roster);

// Whether the file reads as a whole roster (loadRoster() would take it).
bool isRosterFile(const std::string& path);

// Writes the roster atomically; throws errCannotCreate or errWrite on failure.
void saveRoster(const std::string& path, const Roster& roster);

} // namespace qvr
