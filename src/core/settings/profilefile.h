#pragma once
// The settings file: a sections-and-keys text file beside the program.
// Names match without regard to case; a write changes only its own key and leaves
// every other line (unknown keys, sections, comments) as it was.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/exportoptions.h"

namespace qvr {

// The program file's full path with its extension replaced by ".INI"
// (appended when the file name has none).
std::string settingsPathFor(std::string_view programPath);

// The file a write of the settings file at `path` replaces: the file behind a
// link, so that the link stays a link; else the path itself.
std::string settingsWriteTarget(const std::string& path);

// Longest text value a read gives, in bytes.
constexpr std::size_t PROFILE_VALUE_MAX = 2047;

// The editing rules over the file's bytes, without any file behind them.
//
// Lines end at CR LF, LF or a lone CR. "[name]" opens a section; "key=value" is a
// key line; lines starting with ";" are comments. Spaces and tabs around names and
// values do not count. Lines before the first section belong to no section. When a
// section or a key appears twice, the first one counts and the other is left alone.

// The key's value as written (trimmed, not cut), or nothing when the section or
// the key is missing.
std::optional<std::string> profileValue(std::string_view text, std::string_view section, std::string_view key);

// The text with the key set to the value (cut at a line break or NUL, which would
// otherwise split the line). Every other line is kept byte for byte; a missing key
// goes after the last key line of its section, a missing section at the end of the
// file. A new line takes the line end of the line before it, or the file's first
// line end when that line has none, or CR LF in a file without any.
// Names must fit on their line: no line break, no "]" in a section name, no "="
// in a key and no "[" or ";" in front of it (std::invalid_argument otherwise).
std::string withProfileValue(
    std::string_view text, std::string_view section, std::string_view key, std::string_view value);

// A read value as an integer: decimal with an optional "-", or hexadecimal after
// "0x"/"0X" (up to 32 bits, taken as two's complement). Nothing for anything else.
std::optional<std::int32_t> profileInteger(std::string_view value);

// One object per read or write operation, as the program's windows use it.
class ProfileFile {
public:
    explicit ProfileFile(std::string path); // reads the file when it exists

    // An object over these bytes as if read from path (nothing is read).
    static ProfileFile fromBytes(std::string path, std::string bytes);

    // Text after "=", at most 2047 bytes (never half a double-byte character);
    // the default when section or key is missing, "" for an empty value.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal after "0x"; the default for anything else (an empty value too).
    std::int32_t readInteger(std::string_view section, std::string_view key, std::int32_t def) const;
    // An integer other than 0 is true; the default for anything else.
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // Each write updates the file on disk at once; throws errCannotWriteSettings.
    // A write that would leave the file's bytes as they are does not touch it.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    const std::string& path() const { return path_; }
    const std::string& bytes() const { return text_; }

private:
    enum class State { Missing, Loaded, Unreadable };
    ProfileFile(std::string path, std::string bytes, State state);

    std::string path_;
    std::string text_; // the file's bytes as last read or written
    State state_ = State::Missing;
};

// The main window's three values, each with its default.
// A view mode other than 0, 1 or 2 reads as 0.
struct MainSettings {
    std::string soundfile = "default.wav";
    std::string lastfile = "qvrutl.pd3";
    std::int32_t dispmode = 0;
};
MainSettings readMainSettings(const std::string& iniPath);
void writeMainSettings(const std::string& iniPath, const MainSettings& s);

// The export options window's four values.
ExportOptions readExportOptions(const std::string& iniPath);
void writeExportOptions(const std::string& iniPath, const ExportOptions& o);

} // namespace qvr
