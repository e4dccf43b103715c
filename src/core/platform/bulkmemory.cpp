#include "platform/bulkmemory.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it, which only costs the faults
#endif

namespace qvr {

namespace {

constexpr std::size_t LARGE_PAGE = std::size_t(2) << 20;

// Fresh zero pages, none of them mapped yet; null when the system refuses.
void* mapAnonymous(std::size_t bytes)
{
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

// The mapping of `bytes` started on a large page's boundary: the kernel places a
// mapping on any small page, and only the large pages wholly inside one can be
// large. Mapped a large page longer, then trimmed at both ends.
void* mapLargeAligned(std::size_t bytes)
{
    const std::size_t span = bytes + LARGE_PAGE;
    auto* const from = static_cast<char*>(mapAnonymous(span));
    if (!from)
        return nullptr;
    const std::size_t head = (LARGE_PAGE - reinterpret_cast<std::uintptr_t>(from) % LARGE_PAGE) % LARGE_PAGE;
    if (head > 0)
        ::munmap(from, head);
    ::munmap(from + head + bytes, span - head - bytes);
    return from + head;
}

} // namespace

void* mapUnpopulated(std::size_t bytes)
{
    bytes = (bytes + 4095) & ~std::size_t(4095);
    void* p = bytes >= LARGE_PAGE ? mapLargeAligned(bytes) : mapAnonymous(bytes);
    if (!p)
        return nullptr;
    (void)::madvise(p, bytes, MADV_HUGEPAGE);
    return p;
}

void populate(void* from, std::size_t bytes)
{
    // Page-aligned start, as madvise wants; the pages before it are mapped already.
    const std::size_t intoPage = reinterpret_cast<std::uintptr_t>(from) & std::uintptr_t(4095);
    (void)::madvise(static_cast<char*>(from) - intoPage, bytes + intoPage, MADV_POPULATE_WRITE);
}

void unmapBulk(void* block, std::size_t bytes) { ::munmap(block, bytes); }

void growHeapAhead(std::size_t bytes)
{
    if constexpr (!BULK_ALLOCATORS)
        return;
    if (::mallopt(M_TOP_PAD, static_cast<int>(bytes)) == 0)
        return;
    // Blocks small enough to come from the heap, taken until it grows; freed,
    // they stay in it as the room the next blocks are made in.
    constexpr std::size_t BLOCK = std::size_t(64) << 10;
    std::array<void*, 16> taken{};
    std::size_t count = 0;
    char* const before = static_cast<char*>(::sbrk(0));
    while (count < taken.size() && static_cast<char*>(::sbrk(0)) == before)
        taken[count++] = std::malloc(BLOCK);
    char* const after = static_cast<char*>(::sbrk(0));
    while (count > 0)
        std::free(taken[--count]);
    if (after > before)
        populate(before, static_cast<std::size_t>(after - before));
}

} // namespace qvr
