#pragma once
// Code page 932 (Shift-JIS as Windows has it) to and from UTF-16. The one place
// where record and file text meets Unicode; everything else keeps the bytes.

#include <optional>
#include <string>
#include <string_view>

namespace qvr::cp932 {

// True when the converter is available on this machine (checked at start-up).
bool available();

// Bytes to UTF-16. Bytes that do not form a character decode as U+FFFD each,
// so damaged text still shows and never throws.
std::u16string decode(std::string_view bytes);

// Bytes to UTF-8, damaged bytes as U+FFFD (text files written in UTF-8).
std::string toUtf8(std::string_view bytes);

// UTF-16 to bytes; nothing when any character has no code page 932 form.
std::optional<std::string> encode(std::u16string_view text);

// Bytes one character takes in code page 932, or 0 when it has no form.
std::size_t encodedLength(char32_t ch);

// True for the first byte of a double-byte character; the byte after it is its
// second, which may look like an ASCII letter or "]" and is none.
constexpr bool isLeadByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC);
}

} // namespace qvr::cp932
