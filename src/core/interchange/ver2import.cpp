#include "interchange/ver2import.h"

#include "platform/error.h"
#include "platform/fileio.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

namespace {

// Slot layout of the previous version.
constexpr std::size_t NAME_AT = 0;
constexpr std::size_t NAME_BYTES = 16;
constexpr std::size_t WTYPE_AT = 16;
constexpr std::size_t ID_AT = 20;
constexpr std::size_t EP1_AT = 24; // C1..C9, total
constexpr std::size_t STATUS_AT = 64; // level first, ten values
constexpr std::size_t NOCOUNT_AT = 142;
constexpr std::size_t LOCK_AT = 143;
constexpr std::size_t MEMO_AT = 144;
constexpr std::size_t MEMO_BYTES = 2048;
static_assert(MEMO_AT + MEMO_BYTES == VER2_SLOT_SIZE);

std::int32_t readInt32(std::string_view slot, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = (v << 8) | static_cast<unsigned char>(slot[at + i]);
    return static_cast<std::int32_t>(v);
}

RecordPtr recordFromSlot(std::string_view slot)
{
    RecordPtr rec = makeRecord();
    std::memcpy(rec->name.data(), slot.data() + NAME_AT, NAME_BYTES);
    std::memset(rec->name.data() + NAME_BYTES, 0, NAME_SIZE - NAME_BYTES);
    rec->wtype = readInt32(slot, WTYPE_AT);
    rec->id = readInt32(slot, ID_AT);
    for (std::size_t i = 0; i <= EP1_TOTAL; ++i)
        rec->ep1time[i] = readInt32(slot, EP1_AT + 4 * i);
    for (std::size_t i = 0; i < STATUS_COUNT; ++i)
        rec->status[i] = readInt32(slot, STATUS_AT + 4 * i);
    rec->nocount = static_cast<std::uint8_t>(slot[NOCOUNT_AT]);
    rec->lock = static_cast<std::uint8_t>(slot[LOCK_AT]);
    // A memo area without a terminator gives all its bytes and no more.
    std::string_view memo = slot.substr(MEMO_AT, MEMO_BYTES);
    rec->memo.assign(memo.substr(0, memo.find('\0')));
    return rec;
}

// Reads at most `limit` bytes; a read error ends the data where it happened.
// Throws errCannotOpen when the file cannot be opened or a read fails, so that
// a damaged medium never imports part of a file as if it were all of it.
std::string readPrefix(const std::string& path, std::size_t limit)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        throw errCannotOpen(path);
    // Non-blocking so that a named pipe without a writer cannot hang the window.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw errCannotOpen(path);
    std::string data(limit, '\0');
    std::size_t got = 0;
    bool failed = false;
    while (got < limit) {
        ssize_t n = fileIo().read(fd, data.data() + got, limit - got);
        if (n < 0 && errno == EINTR)
            continue;
        // A pipe with nothing to give yet ends the reading as its end would.
        failed = n < 0 && errno != EAGAIN;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (failed)
        throw errCannotOpen(path);
    data.resize(got);
    return data;
}

} // namespace

Roster parseVer2(std::string_view bytes)
{
    Roster records;
    for (std::size_t at = 0; at < VER2_SLOT_COUNT * VER2_SLOT_SIZE; at += VER2_SLOT_SIZE) {
        if (bytes.size() < at + VER2_SLOT_SIZE)
            break;
        std::string_view slot = bytes.substr(at, VER2_SLOT_SIZE);
        if (slot.substr(0, 4) == "name")
            continue;
        records.push_back(recordFromSlot(slot));
    }
    return records;
}

void importVer2(const std::string& path, Roster& roster)
{
    Roster added = parseVer2(readPrefix(path, VER2_SLOT_COUNT * VER2_SLOT_SIZE));
    roster.reserve(roster.size() + added.size());
    for (auto& rec : added)
        roster.push_back(std::move(rec));
}

} // namespace qvr
