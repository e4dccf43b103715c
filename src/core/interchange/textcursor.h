#pragma once
// Export text written through a raw cursor into room its sink has made ahead.
// The exports write millions of numbers and times; these writers make them from
// tables instead of the general formatting routines, and a line's fixed parts
// go in as whole pieces.

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "interchange/linelist.h"
#include "platform/atomicfile.h"

namespace qvr {

// 0 to 9999 as a number's leading group: its significant digits from the first
// byte on, a comma after them, and the digits' count. Eight bytes, so that one
// move copies a group, and a CSV number's comma with it.
struct LeadingGroup {
    std::array<char, 7> digits;
    std::uint8_t length;
};
extern const std::array<LeadingGroup, 10000> LEADING_GROUPS;
// 0 to 9999 as four zero-padded digits, for the groups after the leading one.
extern const std::array<std::array<char, 4>, 10000> PADDED_GROUPS;

// Bytes a decimal may take, sign included, with the bytes beyond it that a
// leading group's eight-byte copy may write.
constexpr std::size_t DECIMAL_ROOM = 28;

namespace detail {

inline char* leadingGroup(char* out, std::uint64_t group)
{
    const LeadingGroup& g = LEADING_GROUPS[group];
    std::memcpy(out, &g, sizeof g);
    return out + g.length;
}

inline char* paddedGroup(char* out, std::uint64_t group)
{
    std::memcpy(out, PADDED_GROUPS[group].data(), 4);
    return out + 4;
}

} // namespace detail

// Writes the decimal at `out` and returns its end; up to seven bytes beyond the
// end may be overwritten (DECIMAL_ROOM counts them).
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

// The decimal and a comma after it; returns the end after the comma. As with
// writeDecimal, up to seven bytes beyond may be overwritten.
inline char* writeDecimalAndComma(char* out, std::uint64_t v)
{
    if (v < 10000)
        return detail::leadingGroup(out, v) + 1;
    out = writeDecimal(out, v);
    *out = ',';
    return out + 1;
}

inline char* writeDecimalAndComma(char* out, std::int64_t v)
{
    const auto u = static_cast<std::uint64_t>(v);
    if (v >= 0)
        return writeDecimalAndComma(out, u);
    *out = '-';
    return writeDecimalAndComma(out + 1, 0 - u);
}

inline char* writeDecimalAndComma(char* out, std::uint32_t v) { return writeDecimalAndComma(out, std::uint64_t{v}); }
inline char* writeDecimalAndComma(char* out, std::int32_t v) { return writeDecimalAndComma(out, std::int64_t{v}); }

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

// A fixed text of a table (a tag, a class), copied as one move of its whole slot:
// a copy of a length known only at run time would be a call to memcpy. The
// bytes of the slot beyond the text are written too; what follows overwrites
// them, and rooms count PIECE_SLOT bytes beyond the last piece.
constexpr std::size_t PIECE_SLOT = 24;
class Piece {
public:
    template <std::size_t N>
    constexpr Piece(const char (&text)[N]) : size_(N - 1) // implicit: tables list their literals
    {
        static_assert(N - 1 <= PIECE_SLOT);
        for (std::size_t i = 0; i < size_; ++i)
            bytes_[i] = text[i];
    }
    char* putAt(char* out) const
    {
        std::memcpy(out, bytes_.data(), PIECE_SLOT);
        return out + size_;
    }

private:
    std::array<char, PIECE_SLOT> bytes_{};
    std::size_t size_;
};

inline char* put(char* out, const Piece& piece) { return piece.putAt(out); }

// Names and memos are scanned sixteen bytes at a time (the compiler's vector
// extension: one compare per byte value for the whole block) and copied whole
// wherever a block holds none of the bytes that need escaping.
namespace blocks {

constexpr std::size_t SIZE = 16;
using Block = char __attribute__((vector_size(SIZE)));

// Bit i set where byte i of a block matched.
struct Matches {
    std::uint32_t bits;

    bool none() const { return bits == 0; }
    // Only the matches among the first n bytes, n at most SIZE.
    Matches before(std::size_t n) const { return {bits & ((std::uint32_t{1} << n) - 1)}; }
    // The index of the first matching byte; not none().
    std::size_t first() const { return static_cast<std::size_t>(std::countr_zero(bits)); }
};

// The compare's bytes (0xff or 0) as bits, in one instruction where the machine
// has it: through memory, the halves of a vector just stored would wait for the
// store on every block.
inline Matches matchesOf(Block hits)
{
#if defined(__SSE2__)
    return {static_cast<std::uint32_t>(_mm_movemask_epi8(std::bit_cast<__m128i>(hits)))};
#else
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < SIZE; ++i)
        bits |= std::uint32_t(hits[i] != 0) << i;
    return {bits};
#endif
}

inline Block load(const char* p)
{
    Block block;
    std::memcpy(&block, p, SIZE);
    return block;
}

template <char... Bytes>
Matches find(const char* p)
{
    const Block block = load(p);
    return matchesOf(((block == Bytes) | ...));
}

// Where a block holds a zero byte (a fixed field's terminator).
inline Matches zeros(const char* p) { return matchesOf(load(p) == 0); }

template <char... Bytes>
constexpr bool isOneOf(char c)
{
    return ((c == Bytes) || ...);
}

} // namespace blocks

// Bytes past the end of what they write that the block copies below may store.
constexpr std::size_t COPY_SLACK = 2 * blocks::SIZE;

template <char... Bytes>
bool holdsAny(std::string_view text)
{
    if (text.size() < blocks::SIZE)
        return std::any_of(text.begin(), text.end(), blocks::isOneOf<Bytes...>);
    std::size_t i = 0;
    for (; i + blocks::SIZE <= text.size(); i += blocks::SIZE)
        if (!blocks::find<Bytes...>(text.data() + i).none())
            return true;
    // The last block read again where it fits: the bytes it shares with the one
    // before are known to hold none.
    return i != text.size() && !blocks::find<Bytes...>(text.data() + text.size() - blocks::SIZE).none();
}

// Copies the text with each byte among Bytes written by `special(out, byte)`,
// which returns the end of what it wrote, at least one byte. A block is stored
// whole and then partly overwritten, so the room must be what the text needs
// and COPY_SLACK more: one written byte per byte read and the slack suffice.
// The bytes after the last whole block go one by one: a block made of them on
// the stack would wait for their stores.
template <char... Bytes, class Special>
char* copyWithSpecials(char* out, std::string_view text, Special special)
{
    const char* from = text.data();
    std::size_t i = 0;
    while (i + blocks::SIZE <= text.size()) {
        std::memcpy(out, from + i, blocks::SIZE);
        const blocks::Matches m = blocks::find<Bytes...>(from + i);
        if (m.none()) {
            out += blocks::SIZE;
            i += blocks::SIZE;
            continue;
        }
        const std::size_t plain = m.first();
        out = special(out + plain, from[i + plain]);
        i += plain + 1;
    }
    for (; i < text.size(); ++i) {
        const char c = from[i];
        if (blocks::isOneOf<Bytes...>(c))
            out = special(out, c);
        else
            *out++ = c;
    }
    return out;
}

// A file sink's buffer, its pages mapped in one call: page by page, a fresh
// buffer costs a fault per page, dear on a virtual machine, and every export
// makes one. From the heap where the system refuses or bulk allocators are off;
// aligned for direct writes either way.
class SinkBuffer {
public:
    explicit SinkBuffer(std::size_t size);
    ~SinkBuffer();
    SinkBuffer(const SinkBuffer&) = delete;
    SinkBuffer& operator=(const SinkBuffer&) = delete;
    char* get() const { return data_; }

private:
    std::size_t size_;
    bool mapped_ = false;
    char* data_ = nullptr;
};

// Lines straight into an atomically written file, in pieces of at least a chunk
// that bypass the page cache where the file system allows (see bypassCache()).
class FileSink {
public:
    // The most that one room() may ask for.
    static constexpr std::size_t MAX_ROOM = std::size_t{128} * 1024;

    explicit FileSink(AtomicFileWriter& out);

    // Writes out what the buffer holds once it is a chunk's worth; throws errWrite.
    char* room([[maybe_unused]] std::size_t n)
    {
        assert(n <= MAX_ROOM);
        if (used_ >= CHUNK)
            flush();
        return buffer_.get() + used_;
    }
    // Never throws: cursors hand their bytes back when they end.
    void done(char* end) noexcept { used_ = static_cast<std::size_t>(end - buffer_.get()); }
    static char* lineEnd(char* p) { return put(p, "\r\n"); }
    // Hands the rest to the writer; call before its commit().
    void finish();

private:
    // Direct writes cost less CPU the larger they are: each is a request the
    // device is told of, dear on a virtual machine. Two large pages.
    static constexpr std::size_t CHUNK = std::size_t{4} * 1024 * 1024;
    static constexpr std::size_t CAPACITY = CHUNK + MAX_ROOM;

    void flush();

    AtomicFileWriter& out_;
    SinkBuffer buffer_;
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
