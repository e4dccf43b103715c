#include "interchange/linelist.h"

#include "platform/atomicfile.h"
#include "platform/error.h"

namespace qvr {

std::string joinLines(const LineList& lines)
{
    std::size_t size = 0;
    for (const auto& l : lines)
        size += l.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& l : lines) {
        out.append(l);
        out.append("\r\n", 2);
    }
    return out;
}

LineList splitLines(std::string_view text)
{
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    LineList lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

LineList readLineListFile(const std::string& path)
{
    auto bytes = readWholeFile(path);
    if (!bytes)
        throw errCannotOpen(path);
    return splitLines(*bytes);
}

void writeLineListFile(const std::string& path, const LineList& lines) { writeFileAtomically(path, joinLines(lines)); }

} // namespace qvr
