#include "settings/profilefile.h"

#include "platform/atomicfile.h"
#include "platform/cp932.h"
#include "platform/error.h"

#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace qvr {

namespace {

constexpr std::string_view BLANKS = " \t";
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Letter case is folded only in single-byte characters: the second byte of a
// double-byte character may look like an ASCII letter but is not one.
bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (cp932::isLeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The first single-byte ch: "]" is also the second byte of some double-byte characters.
std::size_t findSingleByte(std::string_view s, char ch)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ch)
            return i;
        if (cp932::isLeadByte(s[i]))
            ++i;
    }
    return std::string_view::npos;
}

std::string_view trim(std::string_view s)
{
    auto first = s.find_first_not_of(BLANKS);
    if (first == std::string_view::npos)
        return {};
    auto last = s.find_last_not_of(BLANKS);
    return s.substr(first, last - first + 1);
}

struct Line {
    std::size_t begin; // first byte of the line
    std::size_t end; // end of its content, where the line end starts
    std::size_t next; // first byte after the line end (== end when there is none)
};

std::vector<Line> splitIntoLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t i = text.find_first_of("\r\n", start);
        if (i == std::string_view::npos)
            i = n;
        std::size_t next = i;
        if (i < n) {
            next = i + 1;
            if (text[i] == '\r' && next < n && text[next] == '\n')
                ++next;
        }
        lines.push_back({start, i, next});
        start = next;
    }
    return lines;
}

std::string_view lineEndOf(std::string_view text)
{
    auto i = text.find_first_of("\r\n");
    if (i == std::string_view::npos)
        return "\r\n";
    if (text[i] == '\n')
        return "\n";
    return (i + 1 < text.size() && text[i + 1] == '\n') ? "\r\n" : "\r";
}

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name; // section or key name, trimmed
    std::size_t valueBegin = 0; // key lines: where the value starts in the text
};

Parsed parseLine(std::string_view text, const Line& line)
{
    std::size_t begin = line.begin;
    std::string_view content = text.substr(begin, line.end - begin);
    // An editor may have put a byte order mark in front of the first section.
    if (begin == 0 && content.starts_with(UTF8_BOM)) {
        content.remove_prefix(UTF8_BOM.size());
        begin += UTF8_BOM.size();
    }
    Parsed p;
    std::string_view body = trim(content);
    if (body.empty() || body.front() == ';')
        return p;
    if (body.front() == '[') {
        body.remove_prefix(1);
        p.kind = Kind::Section;
        p.name = trim(body.substr(0, findSingleByte(body, ']')));
        return p;
    }
    auto eq = content.find('=');
    if (eq == std::string_view::npos)
        return p;
    p.kind = Kind::Key;
    p.name = trim(content.substr(0, eq));
    std::size_t v = eq + 1;
    while (v < content.size() && (content[v] == ' ' || content[v] == '\t'))
        ++v;
    p.valueBegin = begin + v;
    return p;
}

// Where a key stands: its section's header, that section's last key line and the
// key's own line, as indexes into the lines.
struct Place {
    std::optional<std::size_t> header;
    std::optional<std::size_t> lastKey;
    std::optional<std::size_t> keyLine;
    std::size_t valueBegin = 0;
};

Place locate(std::string_view text, const std::vector<Line>& lines, std::string_view section, std::string_view key)
{
    section = trim(section);
    key = trim(key);
    Place place;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Parsed p = parseLine(text, lines[i]);
        if (p.kind == Kind::Section) {
            // Only the first section of a name counts; a repeated one is left alone.
            inside = !place.header && sameName(p.name, section);
            if (inside)
                place.header = i;
        } else if (p.kind == Kind::Key && inside) {
            place.lastKey = i;
            if (!place.keyLine && sameName(p.name, key)) {
                place.keyLine = i;
                place.valueBegin = p.valueBegin;
            }
        }
    }
    return place;
}

// At most PROFILE_VALUE_MAX bytes, without splitting a double-byte character.
std::string cutValue(std::string_view v)
{
    if (v.size() <= PROFILE_VALUE_MAX)
        return std::string(v);
    std::size_t i = 0;
    while (i < PROFILE_VALUE_MAX) {
        if (cp932::isLeadByte(v[i])) {
            if (i + 1 >= PROFILE_VALUE_MAX)
                break;
            i += 2;
        } else {
            ++i;
        }
    }
    return std::string(v.substr(0, i));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string settingsWriteTarget(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

std::string settingsPathFor(std::string_view programPath)
{
    auto slash = programPath.rfind('/');
    std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    auto dot = programPath.rfind('.');
    // A dot in a folder name, or the leading dot of a hidden file, starts no extension.
    std::string_view stem = programPath;
    if (dot != std::string_view::npos && dot > nameStart)
        stem = programPath.substr(0, dot);
    std::string path(stem);
    path += ".INI";
    return path;
}

std::optional<std::string> profileValue(std::string_view text, std::string_view section, std::string_view key)
{
    auto lines = splitIntoLines(text);
    Place place = locate(text, lines, section, key);
    if (!place.keyLine)
        return std::nullopt;
    const Line& line = lines[*place.keyLine];
    return std::string(trim(text.substr(place.valueBegin, line.end - place.valueBegin)));
}

namespace {

void refuseUnwritableNames(std::string_view section, std::string_view key)
{
    if (section.find_first_of("\r\n") != std::string_view::npos ||
        findSingleByte(section, ']') != std::string_view::npos ||
        key.find_first_of("\r\n=") != std::string_view::npos || key.starts_with('[') || key.starts_with(';'))
        throw std::invalid_argument("settings name that cannot be written as a line");
}

// The text with the key line after the line `after` of its section. A new line
// takes the line end of the line before it: in a file of mixed line ends another
// choice could put a CR right before an LF, joining two lines.
std::string withLineAfter(std::string_view text, const Line& after, std::string_view keyLine, std::string_view eol)
{
    std::string out;
    if (after.next > after.end) {
        out.append(text.substr(0, after.next));
        out.append(keyLine).append(text.substr(after.end, after.next - after.end));
        out.append(text.substr(after.next));
    } else {
        // The last line of the file, without a line end of its own.
        out.append(text);
        out.append(eol).append(keyLine).append(eol);
    }
    return out;
}

// The text with a new section holding the key line at its end.
std::string withNewSection(std::string_view text, const std::vector<Line>& lines, std::string_view section,
    std::string_view keyLine, std::string_view eol)
{
    std::string out(text);
    if (!lines.empty()) {
        const Line& last = lines.back();
        std::string_view lastEnd = text.substr(last.end, last.next - last.end);
        if (lastEnd.empty())
            out.append(eol);
        else
            eol = lastEnd;
        std::string_view lastContent = text.substr(last.begin, last.end - last.begin);
        if (last.begin == 0 && lastContent.starts_with(UTF8_BOM))
            lastContent.remove_prefix(UTF8_BOM.size());
        if (!trim(lastContent).empty())
            out.append(eol); // a blank line between sections
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(keyLine).append(eol);
    return out;
}

} // namespace

std::string withProfileValue(
    std::string_view text, std::string_view section, std::string_view key, std::string_view value)
{
    section = trim(section);
    key = trim(key);
    refuseUnwritableNames(section, key);
    // A line break would end the key's line and let the rest of the value pose as
    // further keys or sections; NUL ends a path anyway.
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));

    auto lines = splitIntoLines(text);
    Place place = locate(text, lines, section, key);
    if (place.keyLine) {
        const Line& line = lines[*place.keyLine];
        std::string out(text.substr(0, place.valueBegin));
        out.append(value);
        out.append(text.substr(line.end));
        return out;
    }
    std::string keyLine;
    keyLine.append(key).append("=").append(value);
    if (place.header)
        return withLineAfter(text, lines[place.lastKey.value_or(*place.header)], keyLine, lineEndOf(text));
    return withNewSection(text, lines, section, keyLine, lineEndOf(text));
}

std::optional<std::int32_t> profileInteger(std::string_view v)
{
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        std::uint64_t n = 0;
        for (char c : v.substr(2)) {
            int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            n = n * 16 + static_cast<std::uint64_t>(d);
            if (n > std::numeric_limits<std::uint32_t>::max())
                return std::nullopt;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
    }
    bool negative = !v.empty() && v.front() == '-';
    if (negative)
        v.remove_prefix(1);
    if (v.empty())
        return std::nullopt;
    std::int64_t n = 0;
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    for (char c : v) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
        if (n > limit)
            return std::nullopt;
    }
    if (negative)
        n = -n;
    if (n > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(n);
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path))
{
    if (auto bytes = readWholeFile(path_)) {
        text_ = std::move(*bytes);
        state_ = State::Loaded;
        return;
    }
    // Something that exists but cannot be read (a folder, a file without read
    // permission) must not be replaced by a file holding only our own keys.
    struct stat st { };
    state_ = ::stat(path_.c_str(), &st) == 0 ? State::Unreadable : State::Missing;
}

ProfileFile::ProfileFile(std::string path, std::string bytes, State state)
    : path_(std::move(path)), text_(std::move(bytes)), state_(state)
{
}

ProfileFile ProfileFile::fromBytes(std::string path, std::string bytes)
{
    return ProfileFile(std::move(path), std::move(bytes), State::Loaded);
}

std::string ProfileFile::readString(std::string_view section, std::string_view key, std::string_view def) const
{
    auto v = profileValue(text_, section, key);
    return v ? cutValue(*v) : std::string(def);
}

std::int32_t ProfileFile::readInteger(std::string_view section, std::string_view key, std::int32_t def) const
{
    auto v = profileValue(text_, section, key);
    if (!v)
        return def;
    return profileInteger(*v).value_or(def);
}

bool ProfileFile::readBool(std::string_view section, std::string_view key, bool def) const
{
    auto v = profileValue(text_, section, key);
    if (!v)
        return def;
    auto n = profileInteger(*v);
    return n ? *n != 0 : def;
}

void ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    if (state_ == State::Unreadable)
        throw errCannotWriteSettings(path_);
    std::string next = withProfileValue(text_, section, key, value);
    if (state_ == State::Loaded && next == text_)
        return;
    try {
        writeFileAtomically(settingsWriteTarget(path_), next);
    } catch (const Error&) {
        throw errCannotWriteSettings(path_);
    }
    text_ = std::move(next);
    state_ = State::Loaded;
}

void ProfileFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    writeString(section, key, std::to_string(value));
}

void ProfileFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

namespace {

// Each value's section and key, in the order in which the file is read and written.
template <class Values, class Field>
struct Setting {
    std::string_view section;
    std::string_view key;
    Field Values::*field;
};

template <class Values>
using TextSetting = Setting<Values, std::string>;
template <class Values>
using IntegerSetting = Setting<Values, std::int32_t>;
template <class Values>
using BoolSetting = Setting<Values, bool>;

constexpr std::tuple MAIN_SETTINGS{
    TextSetting<MainSettings>{"SYSTEM", "SFile", &MainSettings::soundfile},
    TextSetting<MainSettings>{"LAST", "LastFile", &MainSettings::lastfile},
    IntegerSetting<MainSettings>{"LAST", "DispMode", &MainSettings::dispmode},
};

constexpr std::tuple EXPORT_SETTINGS{
    BoolSetting<ExportOptions>{"OPTION", "OutStatus", &ExportOptions::outStatus},
    BoolSetting<ExportOptions>{"OPTION", "OutEP1Time", &ExportOptions::outEp1Time},
    BoolSetting<ExportOptions>{"OPTION", "OutEP2Time", &ExportOptions::outEp2Time},
    BoolSetting<ExportOptions>{"OPTION", "OutMemo", &ExportOptions::outMemo},
};

// Each read starts from the value the field holds: its default.
template <class Values>
void readSetting(const ProfileFile& file, Values& v, const TextSetting<Values>& s)
{
    v.*s.field = file.readString(s.section, s.key, v.*s.field);
}
template <class Values>
void readSetting(const ProfileFile& file, Values& v, const IntegerSetting<Values>& s)
{
    v.*s.field = file.readInteger(s.section, s.key, v.*s.field);
}
template <class Values>
void readSetting(const ProfileFile& file, Values& v, const BoolSetting<Values>& s)
{
    v.*s.field = file.readBool(s.section, s.key, v.*s.field);
}

template <class Values>
void writeSetting(ProfileFile& file, const Values& v, const TextSetting<Values>& s)
{
    file.writeString(s.section, s.key, v.*s.field);
}
template <class Values>
void writeSetting(ProfileFile& file, const Values& v, const IntegerSetting<Values>& s)
{
    file.writeInteger(s.section, s.key, v.*s.field);
}
template <class Values>
void writeSetting(ProfileFile& file, const Values& v, const BoolSetting<Values>& s)
{
    file.writeBool(s.section, s.key, v.*s.field);
}

// The values a table names, each its default where the file does not hold it.
template <class Values, class Table>
Values readSettings(const std::string& iniPath, const Table& table)
{
    const ProfileFile file(iniPath);
    Values v;
    std::apply([&](const auto&... setting) { (readSetting(file, v, setting), ...); }, table);
    return v;
}

// Writes the keys in the table's order; a failure leaves the keys after it as they were.
template <class Values, class Table>
void writeSettings(const std::string& iniPath, const Values& v, const Table& table)
{
    ProfileFile file(iniPath);
    std::apply([&](const auto&... setting) { (writeSetting(file, v, setting), ...); }, table);
}

} // namespace

MainSettings readMainSettings(const std::string& iniPath)
{
    MainSettings s = readSettings<MainSettings>(iniPath, MAIN_SETTINGS);
    // The grid knows the views 1 and 2; everything else is the status view.
    if (s.dispmode != 1 && s.dispmode != 2)
        s.dispmode = 0;
    return s;
}

void writeMainSettings(const std::string& iniPath, const MainSettings& s) { writeSettings(iniPath, s, MAIN_SETTINGS); }

ExportOptions readExportOptions(const std::string& iniPath)
{
    return readSettings<ExportOptions>(iniPath, EXPORT_SETTINGS);
}

void writeExportOptions(const std::string& iniPath, const ExportOptions& o)
{
    writeSettings(iniPath, o, EXPORT_SETTINGS);
}

} // namespace qvr
