#include "platform/bulkmemory.h"

#include <cstdint>
#include <sys/mman.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it, which only costs the faults
#endif

namespace qvr {

void* mapUnpopulated(std::size_t bytes)
{
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
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

} // namespace qvr
