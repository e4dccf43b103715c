#pragma once
// Whole-file reads and crash-safe whole-file replacement.

#include <optional>
#include <string>
#include <string_view>

namespace qvr {

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::string& path);

// Replaces (or creates) the file with exactly these bytes. The bytes go to a
// temporary file in the same folder, are flushed to the device, and only then is
// the temporary renamed over the target, so the target is always either the old
// file or the new one. Throws errCannotCreate when the temporary cannot be made,
// errWrite when writing, flushing or renaming fails; the target is then untouched.
void writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace qvr
