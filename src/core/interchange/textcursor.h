#pragma once
// Export text written through a raw cursor into room its sink has made ahead.
// The exports write millions of numbers and times; these writers make them from
// tables instead of the general formatting routines, and a line's fixed parts
// go in as whole pieces.

#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/linelist.h"
#include "platform/atomicfile.h"

namespace qvr {

// 0 to 9999 as four zero-padded digits, then the count of significant ones.
struct FourDigits {
    std::array<char, 4> padded;
    std::uint8_t length;
    std::array<char, 3> spare; // lets a leading group be copied as four bytes
};
extern const std::array<FourDigits, 10000> FOUR_DIGITS;

// Bytes a decimal may take, sign included, with the three that a leading group's
// four-byte copy may write beyond it.
constexpr std::size_t DECIMAL_ROOM = 24;

namespace detail {

inline char* leadingGroup(char* out, std::uint64_t group)
{
    const FourDigits& d = FOUR_DIGITS[group];
    std::memcpy(out, d.padded.data() + 4 - d.length, 4);
    return out + d.length;
}

inline char* paddedGroup(char* out, std::uint64_t group)
{
    std::memcpy(out, FOUR_DIGITS[group].padded.data(), 4);
    return out + 4;
}

} // namespace detail

inline char* writeDecimal(char* out, std::uint64_t v)
{
    if (v < 10000)
        return detail::leadingGroup(out, v);
    if (v < 100000000) {
        out = detail::leadingGroup(out, v / 10000);
        return detail::paddedGroup(out, v % 10000);
    }
    out = writeDecimal(out, v / 100000000);
    v %= 100000000;
    out = detail::paddedGroup(out, v / 10000);
    return detail::paddedGroup(out, v % 10000);
}

inline char* writeDecimal(char* out, std::int64_t v)
{
    const auto u = static_cast<std::uint64_t>(v);
    if (v >= 0)
        return writeDecimal(out, u);
    *out = '-';
    return writeDecimal(out + 1, 0 - u); // exact for the most negative value too
}

inline char* writeDecimal(char* out, std::uint32_t v) { return writeDecimal(out, std::uint64_t{v}); }
inline char* writeDecimal(char* out, std::int32_t v) { return writeDecimal(out, std::int64_t{v}); }

template <std::size_t N>
char* put(char* out, const char (&literal)[N])
{
    std::memcpy(out, literal, N - 1);
    return out + N - 1;
}

inline char* put(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// Scanning eight bytes at a time: names and memos are copied whole wherever a
// word holds none of the bytes that need escaping.
namespace words {

constexpr std::uint64_t ONES = 0x0101010101010101;
constexpr std::uint64_t HIGHS = 0x8080808080808080;

// Non-zero when some byte of the word is c.
constexpr std::uint64_t holds(std::uint64_t word, char c)
{
    const std::uint64_t x = word ^ (ONES * static_cast<unsigned char>(c));
    return (x - ONES) & ~x & HIGHS;
}

// The lowest set bit marks the first byte of the word that is one of Bytes;
// bits above it may be wrong.
template <char... Bytes>
constexpr std::uint64_t firstOf(std::uint64_t word)
{
    return (holds(word, Bytes) | ...);
}

inline std::uint64_t load(const char* p)
{
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return word;
}

} // namespace words

template <char... Bytes>
bool holdsAny(std::string_view text)
{
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8)
        if (words::firstOf<Bytes...>(words::load(text.data() + i)) != 0)
            return true;
    for (; i < text.size(); ++i)
        if (((text[i] == Bytes) || ...))
            return true;
    return false;
}

// Copies the text with each byte among Bytes written by `special(out, byte)`,
// which returns the end of what it wrote, at least one byte. A word is stored
// whole and then partly overwritten, so the room must be at least what the
// text needs and no less than eight bytes beyond the end of each word's bytes:
// room for one written byte per byte read suffices.
template <char... Bytes, class Special>
char* copyWithSpecials(char* out, std::string_view text, Special special)
{
    std::size_t i = 0;
    while (i + 8 <= text.size()) {
        const std::uint64_t word = words::load(text.data() + i);
        std::memcpy(out, &word, sizeof word);
        const std::uint64_t first = words::firstOf<Bytes...>(word);
        if (first == 0) {
            out += 8;
            i += 8;
            continue;
        }
        const auto plain = static_cast<std::size_t>(std::countr_zero(first) / 8);
        out = special(out + plain, text[i + plain]);
        i += plain + 1;
    }
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (((c == Bytes) || ...)) {
            out = special(out, c);
        } else {
            *out++ = c;
        }
    }
    return out;
}

// Lines straight into an atomically written file, in pieces of at least a chunk.
class FileSink {
public:
    // The most that one room() may ask for.
    static constexpr std::size_t MAX_ROOM = std::size_t{128} * 1024;

    // Not cleared first: only the pages written are ever touched.
    explicit FileSink(AtomicFileWriter& out) : out_(out), buffer_(std::make_unique_for_overwrite<char[]>(CAPACITY)) { }

    // Writes out what the buffer holds once it is a chunk's worth; throws errWrite.
    char* room(std::size_t n)
    {
        assert(n <= MAX_ROOM);
        if (used_ >= AtomicFileWriter::CHUNK || CAPACITY - used_ < n)
            flush();
        return buffer_.get() + used_;
    }
    // Never throws: cursors hand their bytes back when they end.
    void done(char* end) noexcept { used_ = static_cast<std::size_t>(end - buffer_.get()); }
    static char* lineEnd(char* p) { return put(p, "\r\n"); }
    // Hands the rest to the writer; call before its commit().
    void finish() { flush(); }

private:
    static constexpr std::size_t CAPACITY = AtomicFileWriter::CHUNK + MAX_ROOM;

    void flush()
    {
        out_.writeThrough({buffer_.get(), used_});
        used_ = 0;
    }

    AtomicFileWriter& out_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

// The same bytes kept in memory, with where each line ends.
class ListSink {
public:
    static constexpr std::size_t MAX_ROOM = FileSink::MAX_ROOM;

    char* room(std::size_t n)
    {
        if (text_.size() - used_ < n)
            text_.resize(used_ + n);
        return text_.data() + used_;
    }
    void done(char* end) noexcept { used_ = static_cast<std::size_t>(end - text_.data()); }
    char* lineEnd(char* p)
    {
        ends_.push_back(static_cast<std::size_t>(p - text_.data()));
        return FileSink::lineEnd(p);
    }
    LineList lines() const;

private:
    std::string text_;
    std::size_t used_ = 0;
    std::vector<std::size_t> ends_;
};

// Room made in a sink for the writers, and the bytes written handed back to it
// when the cursor ends.
template <class Sink>
class TextCursor {
public:
    explicit TextCursor(Sink& sink) : sink_(sink), at_(sink.room(0)), limit_(at_) { }
    ~TextCursor() { sink_.done(at_); }
    TextCursor(const TextCursor&) = delete;
    TextCursor& operator=(const TextCursor&) = delete;

    // Makes room for n more bytes, handing the written ones to the sink if need be.
    void ensure(std::size_t n)
    {
        if (static_cast<std::size_t>(limit_ - at_) >= n)
            return;
        sink_.done(at_);
        at_ = sink_.room(n);
        limit_ = at_ + n;
    }

    // Runs `char* write(char* out)`, which must stay within `most` bytes. The
    // writers work on a pointer of their own: one kept in the cursor would be
    // reloaded after every byte stored, since a char may alias it.
    template <class Write>
    void write(std::size_t most, Write&& write)
    {
        ensure(most);
        at_ = write(at_);
        assert(at_ <= limit_);
    }

private:
    Sink& sink_;
    char* at_;
    char* limit_;
};

} // namespace qvr
