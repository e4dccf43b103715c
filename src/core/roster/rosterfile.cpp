#include "roster/rosterfile.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/filereader.h"

#include <cstring>
#include <limits>

namespace qvr {

namespace {

void putInt(std::string& out, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    char b[4] = {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char(u >> 24)};
    out.append(b, 4);
}

template <std::size_t N>
void putInts(std::string& out, const std::array<std::int32_t, N>& a)
{
    for (std::int32_t v : a)
        putInt(out, v);
}

std::int32_t getInt(const unsigned char* p)
{
    std::uint32_t u =
        std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(u);
}

template <std::size_t N>
void getInts(const unsigned char*& p, std::array<std::int32_t, N>& a)
{
    for (std::int32_t& v : a) {
        v = getInt(p);
        p += 4;
    }
}

} // namespace

namespace {

void appendHeader(std::string& out, const Roster& roster)
{
    out.push_back(static_cast<char>(ROSTER_VERSION));
    putInt(out, static_cast<std::int32_t>(roster.size()));
}

void appendBlock(std::string& out, const CharRecord& rec)
{
    out.append(rec.name.data(), NAME_SIZE);
    putInt(out, rec.wtype);
    putInt(out, rec.id);
    putInts(out, rec.status);
    putInts(out, rec.ep1time);
    putInts(out, rec.ep2time);
    out.push_back(static_cast<char>(rec.nocount));
    out.push_back(static_cast<char>(rec.lock));
    out.append(6, '\0'); // bytes 142..147 carry no meaning
    putInt(out, static_cast<std::int32_t>(rec.memo.size()));
    out.append(rec.memo);
}

} // namespace

std::string serializeRoster(const Roster& roster)
{
    std::size_t size = ROSTER_HEADER_SIZE;
    for (const auto& rec : roster)
        size += ROSTER_BLOCK_FIXED + rec->memo.size();
    std::string out;
    out.reserve(size);
    appendHeader(out, roster);
    for (const auto& rec : roster)
        appendBlock(out, *rec);
    return out;
}

namespace {

// Bytes already in memory, read as a FileReader reads a file.
class ViewReader {
public:
    explicit ViewReader(std::string_view bytes) : bytes_(bytes) { }
    std::size_t remaining() const { return bytes_.size(); }
    bool read(char* dst, std::size_t n)
    {
        if (n == 0)
            return true;
        const char* p = take(n);
        if (p)
            std::memcpy(dst, p, n);
        return p != nullptr;
    }
    const char* take(std::size_t n)
    {
        if (n > bytes_.size())
            return nullptr;
        const char* p = bytes_.data();
        bytes_.remove_prefix(n);
        return p;
    }

private:
    std::string_view bytes_;
};

constexpr std::size_t RECORD_PART = ROSTER_BLOCK_FIXED - 4;

inline void decodeRecordPart(const unsigned char* p, CharRecord& rec)
{
    std::memcpy(rec.name.data(), p, NAME_SIZE);
    p += NAME_SIZE;
    rec.wtype = getInt(p);
    rec.id = getInt(p + 4);
    p += 8;
    getInts(p, rec.status);
    getInts(p, rec.ep1time);
    getInts(p, rec.ep2time);
    rec.nocount = p[0];
    rec.lock = p[1];
    // the six bytes after the flags carry no meaning
}

// The maker's count on a memo block, given back when the load ends either way.
struct MemoBlockHold {
    explicit MemoBlockHold(std::size_t capacity) : block(MemoText::Block::make(capacity)) { }
    ~MemoBlockHold() { MemoText::Block::unref(block); }
    MemoBlockHold(const MemoBlockHold&) = delete;
    MemoBlockHold& operator=(const MemoBlockHold&) = delete;
    MemoText::Block* block;
};

// The element count of the header the reader delivers, or nothing when it is not a
// roster's. Every block takes at least 152 bytes: a count the file cannot hold is
// rejected before anything is allocated for it.
template <class Reader>
std::optional<std::size_t> headerCount(Reader& in)
{
    const auto* header = reinterpret_cast<const unsigned char*>(in.take(ROSTER_HEADER_SIZE));
    if (!header || header[0] != ROSTER_VERSION)
        return std::nullopt;
    const std::int32_t count = getInt(header + 1);
    if (count < 1 || static_cast<std::size_t>(count) > in.remaining() / ROSTER_BLOCK_FIXED)
        return std::nullopt;
    return static_cast<std::size_t>(count);
}

// Takes the roster apart block by block as the reader delivers it.
template <class Reader>
std::optional<Roster> readRoster(Reader& in)
{
    const std::optional<std::size_t> count = headerCount(in);
    if (!count)
        return std::nullopt;

    const std::size_t records = *count;
    Roster roster;
    roster.reserve(records);
    CharRecord::reserve(records);
    // The memos are what the file holds beyond the fixed parts: one block for all of them.
    std::size_t memoRoom = in.remaining() - records * ROSTER_BLOCK_FIXED;
    MemoBlockHold memos(memoRoom);
    for (std::size_t k = 0; k < records; ++k) {
        const auto* block = reinterpret_cast<const unsigned char*>(in.take(ROSTER_BLOCK_FIXED));
        if (!block)
            return std::nullopt;
        // Default-initialised, not value-initialised: the decode sets every field,
        // and zeroing the record first was the largest cost of the load.
        RecordPtr rec(new CharRecord);
        decodeRecordPart(block, *rec);
        const std::int32_t len = getInt(block + RECORD_PART);
        // A memo longer than what the file keeps beside the blocks still to come cannot be whole.
        if (len < 0 || static_cast<std::size_t>(len) > memoRoom)
            return std::nullopt;
        memoRoom -= static_cast<std::size_t>(len);
        if (len > 0 &&
            !in.read(rec->memo.share(*memos.block, static_cast<std::size_t>(len)), static_cast<std::size_t>(len)))
            return std::nullopt;
        roster.push_back(std::move(rec));
    }
    // Bytes after the last block are not part of the roster and are left unread.
    return roster;
}

} // namespace

std::optional<Roster> parseRoster(std::string_view bytes)
{
    ViewReader in(bytes);
    return readRoster(in);
}

void loadRoster(const std::string& path, Roster& roster)
{
    FileReader in(path);
    if (!in.isOpen())
        throw errCannotOpen(path);
    auto parsed = readRoster(in);
    if (in.failed())
        throw errCannotOpen(path);
    if (!parsed)
        throw errNotRoster(path);
    roster = std::move(*parsed);
}

bool isRosterFile(const std::string& path)
{
    // The header settles most files unread: an export about to be replaced may
    // run to many megabytes.
    FileReader head(path, ROSTER_HEADER_SIZE);
    if (!headerCount(head))
        return false;
    Roster scratch;
    try {
        loadRoster(path, scratch);
        return true;
    } catch (const Error&) {
        return false;
    }
}

// The same bytes as serializeRoster(), streamed block by block.
void saveRoster(const std::string& path, const Roster& roster)
{
    AtomicFileWriter out(path);
    appendHeader(out.buffer(), roster);
    for (const auto& rec : roster) {
        appendBlock(out.buffer(), *rec);
        out.pieceDone();
    }
    out.commit();
}

} // namespace qvr
