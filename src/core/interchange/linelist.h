#pragma once
// Line lists: ordered 8-bit text lines, written with CR LF after every line.

#include <string>
#include <string_view>
#include <vector>

namespace qvr {

using LineList = std::vector<std::string>;

// Each line followed by CR LF, the last one included.
std::string joinLines(const LineList& lines);

// Splits at CR LF, lone CR and lone LF; keeps a last line without a line end,
// adds no empty line for a final line end; the text ends at the first zero byte.
LineList splitLines(std::string_view text);

// Reads a text file into lines; throws errCannotOpen naming the path.
LineList readLineListFile(const std::string& path);

// Writes the lines atomically; throws errCannotCreate or errWrite.
void writeLineListFile(const std::string& path, const LineList& lines);

} // namespace qvr
