#include "roster/charrecord.h"

#include "platform/bulkmemory.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qvr {

// A load makes one record per character, and the allocator's bookkeeping for
// 100,000 separate blocks (and its handing freed heap back to the system between
// loads) cost several times the reading itself. Records therefore come from slabs
// that are never given back: freed records' slots serve first, then the slab in
// use is cut in order. A load reserves one slab for all its records, mapped by
// itself with its pages mapped ahead of the records in steps (the fresh pages of
// a large roster, faulted in one at a time, cost more than reading the file; not
// all at once, since a damaged file may promise more records than it holds).
// Each thread keeps its own slots, so no lock is needed. Under the address
// sanitizer every record is a block of its own again (BULK_ALLOCATORS), so that a
// use after free is still caught.

namespace {

struct FreeSlot {
    FreeSlot* next;
};

[[maybe_unused]] thread_local FreeSlot* freeSlots = nullptr;
[[maybe_unused]] thread_local std::size_t freeSlotCount = 0;
[[maybe_unused]] thread_local char* slabNext = nullptr; // the uncut rest of the slab in use
[[maybe_unused]] thread_local char* slabEnd = nullptr;
[[maybe_unused]] thread_local char* slabPopulated = nullptr; // end of the pages mapped ahead
[[maybe_unused]] constexpr std::size_t SLOTS_PER_SLAB = 1024;

// A new slab of `count` slots becomes the one in use; what was left of the old one
// joins the free slots.
[[maybe_unused]] void startSlab(std::size_t count)
{
    for (; slabNext && slabNext + sizeof(CharRecord) <= slabEnd; slabNext += sizeof(CharRecord)) {
        freeSlots = ::new (slabNext) FreeSlot{freeSlots};
        ++freeSlotCount;
    }
    const std::size_t bytes = count * sizeof(CharRecord);
    void* slab = bytes >= POPULATE_STEP ? mapUnpopulated(bytes) : nullptr;
    const bool mapped = slab != nullptr;
    if (!slab)
        slab = ::operator new(bytes);
    slabNext = static_cast<char*>(slab);
    slabEnd = slabNext + bytes;
    slabPopulated = mapped ? slabNext : slabEnd;
}

[[maybe_unused]] void populateSlabStep()
{
    const std::size_t step = std::min<std::size_t>(POPULATE_STEP, static_cast<std::size_t>(slabEnd - slabPopulated));
    populate(slabPopulated, step);
    slabPopulated += step;
}

} // namespace

void* CharRecord::operator new(std::size_t size)
{
    if (!BULK_ALLOCATORS || size != sizeof(CharRecord))
        return ::operator new(size);
    if (FreeSlot* slot = freeSlots) {
        freeSlots = slot->next;
        --freeSlotCount;
        return slot;
    }
    if (slabNext == slabEnd)
        startSlab(SLOTS_PER_SLAB);
    if (slabNext + sizeof(CharRecord) > slabPopulated)
        populateSlabStep();
    void* p = slabNext;
    slabNext += sizeof(CharRecord);
    return p;
}

void CharRecord::operator delete(void* p, std::size_t size) noexcept
{
    if (!BULK_ALLOCATORS || size != sizeof(CharRecord)) {
        ::operator delete(p);
        return;
    }
    freeSlots = ::new (p) FreeSlot{freeSlots};
    ++freeSlotCount;
}

void CharRecord::reserve(std::size_t count)
{
    if (!BULK_ALLOCATORS)
        return;
    const std::size_t room = freeSlotCount + static_cast<std::size_t>(slabEnd - slabNext) / sizeof(CharRecord);
    if (count > room)
        startSlab(count - freeSlotCount);
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
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const RecordPtr& x, const RecordPtr& y) { return *x == *y; });
}

} // namespace qvr
