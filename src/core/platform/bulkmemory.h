#pragma once
// Large blocks whose pages are all written soon after they are made.

#include <cstddef>

namespace qvr {

// Under the address sanitizer the program's own allocators step aside and every
// block comes from the heap, where the sanitizer watches its bounds and its reuse.
#if defined(__SANITIZE_ADDRESS__)
#define QVR_BULK_ALLOCATORS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QVR_BULK_ALLOCATORS 0
#endif
#endif
#ifndef QVR_BULK_ALLOCATORS
#define QVR_BULK_ALLOCATORS 1
#endif
inline constexpr bool BULK_ALLOCATORS = QVR_BULK_ALLOCATORS != 0;

// Pages of a mapped block are mapped ahead in steps of this size (not all at once:
// a damaged file may promise more than it holds); smaller blocks are not mapped.
inline constexpr std::size_t POPULATE_STEP = std::size_t(1) << 20;

// Fresh memory of `bytes` bytes, in large pages where the system offers them, whose
// pages populate() maps ahead of their first writes: one call per step instead of
// a page fault per page. Null when the system refuses.
void* mapUnpopulated(std::size_t bytes);
void populate(void* from, std::size_t bytes);
void unmapBulk(void* block, std::size_t bytes);

// Grows the heap by `bytes` now, its pages mapped in one call, and from then on
// by that much at a time: a program that is about to make many small blocks
// (the windows at start) takes no page fault per fresh heap page, several
// microseconds each on a virtual machine. Setting the step turns off glibc's
// moving threshold for mapping large blocks apart (they stay apart from 128 KiB).
void growHeapAhead(std::size_t bytes);

} // namespace qvr
