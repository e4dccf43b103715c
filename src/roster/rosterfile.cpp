#include "roster/rosterfile.h"

#include "platform/atomicfile.h"

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
    std::uint32_t u = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                      std::uint32_t(p[3]) << 24;
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

std::string serializeRoster(const Roster& roster)
{
    std::size_t size = ROSTER_HEADER_SIZE;
    for (const auto& rec : roster)
        size += ROSTER_BLOCK_FIXED + rec->memo.size();
    std::string out;
    out.reserve(size);
    out.push_back(static_cast<char>(ROSTER_VERSION));
    putInt(out, static_cast<std::int32_t>(roster.size()));
    for (const auto& rec : roster) {
        out.append(rec->name.data(), NAME_SIZE);
        putInt(out, rec->wtype);
        putInt(out, rec->id);
        putInts(out, rec->status);
        putInts(out, rec->ep1time);
        putInts(out, rec->ep2time);
        out.push_back(static_cast<char>(rec->nocount));
        out.push_back(static_cast<char>(rec->lock));
        out.append(6, '\0');  // bytes 142..147 carry no meaning
        putInt(out, static_cast<std::int32_t>(rec->memo.size()));
        out.append(rec->memo);
    }
    return out;
}

std::optional<Roster> parseRoster(std::string_view bytes)
{
    if (bytes.size() < ROSTER_HEADER_SIZE || static_cast<unsigned char>(bytes[0]) != ROSTER_VERSION)
        return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* end = p + bytes.size();
    std::int32_t count = getInt(p + 1);
    // Every block takes at least 152 bytes: a count the file cannot hold is rejected
    // before anything is allocated for it.
    if (count < 1 || static_cast<std::size_t>(count) > (bytes.size() - ROSTER_HEADER_SIZE) / ROSTER_BLOCK_FIXED)
        return std::nullopt;
    p += ROSTER_HEADER_SIZE;

    Roster roster;
    roster.reserve(static_cast<std::size_t>(count));
    for (std::int32_t k = 0; k < count; ++k) {
        if (static_cast<std::size_t>(end - p) < ROSTER_BLOCK_FIXED)
            return std::nullopt;
        auto rec = std::make_unique<CharRecord>();
        std::memcpy(rec->name.data(), p, NAME_SIZE);
        p += NAME_SIZE;
        rec->wtype = getInt(p);
        rec->id = getInt(p + 4);
        p += 8;
        getInts(p, rec->status);
        getInts(p, rec->ep1time);
        getInts(p, rec->ep2time);
        rec->nocount = p[0];
        rec->lock = p[1];
        p += 8;  // the flags and the six bytes without meaning
        std::int32_t len = getInt(p);
        p += 4;
        if (len < 0 || static_cast<std::size_t>(len) > static_cast<std::size_t>(end - p))
            return std::nullopt;
        rec->memo.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(len));
        p += len;
        roster.push_back(std::move(rec));
    }
    // Bytes after the last block are not part of the roster and are left unread.
    return roster;
}

LoadResult loadRoster(const std::string& path, Roster& roster)
{
    auto bytes = readWholeFile(path);
    if (!bytes)
        return LoadResult::CannotOpen;
    auto parsed = parseRoster(*bytes);
    if (!parsed)
        return LoadResult::NotRoster;
    roster = std::move(*parsed);
    return LoadResult::Loaded;
}

void saveRoster(const std::string& path, const Roster& roster)
{
    writeFileAtomically(path, serializeRoster(roster));
}

} // namespace qvr
