#include "roster/charrecord.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qvr {

// A load makes one record per character, and the allocator's bookkeeping for
// 100,000 separate blocks (and its handing freed heap back to the system between
// loads) cost several times the reading itself. Records therefore come from slabs
// of 1,024 that are never given back; a freed record's slot serves the next one.
// Each thread keeps its own list of free slots, so no lock is needed. Under the
// address sanitizer every record is a block of its own again, so that a use after
// free is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define QVR_RECORD_SLABS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QVR_RECORD_SLABS 0
#endif
#endif
#ifndef QVR_RECORD_SLABS
#define QVR_RECORD_SLABS 1
#endif

namespace {

struct FreeSlot {
    FreeSlot* next;
};

[[maybe_unused]] thread_local FreeSlot* freeSlots = nullptr;
[[maybe_unused]] constexpr std::size_t SLOTS_PER_SLAB = 1024;

} // namespace

void* CharRecord::operator new(std::size_t size)
{
    if (!QVR_RECORD_SLABS || size != sizeof(CharRecord))
        return ::operator new(size);
    if (!freeSlots) {
        char* slab = static_cast<char*>(::operator new(sizeof(CharRecord) * SLOTS_PER_SLAB));
        for (std::size_t i = SLOTS_PER_SLAB; i-- > 0;)
            freeSlots = ::new (slab + i * sizeof(CharRecord)) FreeSlot{freeSlots};
    }
    FreeSlot* slot = freeSlots;
    freeSlots = slot->next;
    return slot;
}

void CharRecord::operator delete(void* p, std::size_t size) noexcept
{
    if (!QVR_RECORD_SLABS || size != sizeof(CharRecord)) {
        ::operator delete(p);
        return;
    }
    freeSlots = ::new (p) FreeSlot{freeSlots};
}

std::string_view CharRecord::nameText() const
{
    const char* end = static_cast<const char*>(std::memchr(name.data(), 0, name.size()));
    return {name.data(), end ? static_cast<std::size_t>(end - name.data()) : name.size()};
}

void CharRecord::setName(std::string_view bytes)
{
    std::size_t n = std::min(bytes.size(), NAME_SIZE - 1);
    std::memcpy(name.data(), bytes.data(), n);
    name[n] = 0;
}

void newRecord(CharRecord& rec)
{
    rec.name[0] = 0;
    rec.wtype = 0;
    rec.id = 0;
    rec.status.fill(0);
    rec.ep1time.fill(0);
    rec.ep2time.fill(0);
    rec.nocount = 0;
    rec.lock = 0;
    rec.memo.clear();
}

RecordPtr makeRecord()
{
    auto rec = std::make_unique<CharRecord>();
    newRecord(*rec);
    return rec;
}

Roster makeRoster(std::size_t count)
{
    Roster roster;
    roster.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        roster.push_back(makeRecord());
    return roster;
}

Roster cloneRoster(const Roster& roster)
{
    Roster copy;
    copy.reserve(roster.size());
    for (const auto& rec : roster)
        copy.push_back(std::make_unique<CharRecord>(*rec));
    return copy;
}

bool sameContent(const Roster& a, const Roster& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const RecordPtr& x, const RecordPtr& y) { return *x == *y; });
}

} // namespace qvr
