#pragma once
// The settings file: a sections-and-keys text file beside the program.
// Names match without regard to case; a write changes only its own key and leaves
// every other line (unknown keys, sections, comments) as it was.

#include <cstdint>
#include <string>
#include <string_view>

#include "interchange/exportoptions.h"

namespace qvr {

// The program file's full path with its extension replaced by ".INI"
// (appended when the file name has none).
std::string settingsPathFor(std::string_view programPath);

// One object per read or write operation, as the program's windows use it.
class ProfileFile {
public:
    explicit ProfileFile(std::string path);  // reads the file when it exists

    // Text after "=", at most 2047 characters; the default when section or key is missing.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal after "0x"; the default for anything else (an empty value too).
    std::int32_t readInteger(std::string_view section, std::string_view key, std::int32_t def) const;
    // An integer other than 0 is true; the default for anything else.
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // Each write updates the file on disk at once; throws errCannotWriteSettings.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string text_;  // the file's bytes as last read or written
};

// The main window's three values ("SYSTEM"/"SFile", "LAST"/"LastFile", "LAST"/"DispMode").
struct MainSettings {
    std::string soundfile = "default.wav";
    std::string lastfile = "qvrutl.pd3";
    std::int32_t dispmode = 0;
};
MainSettings readMainSettings(const std::string& iniPath);
void writeMainSettings(const std::string& iniPath, const MainSettings& s);

// The export options window's four values (section "OPTION").
ExportOptions readExportOptions(const std::string& iniPath);
void writeExportOptions(const std::string& iniPath, const ExportOptions& o);

} // namespace qvr
