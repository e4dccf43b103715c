#pragma once
// Large blocks whose pages are all written soon after they are made.

#include <cstddef>

namespace qvr {

// Fresh memory of `bytes` bytes, in large pages where the system offers them, whose
// pages populate() maps ahead of their first writes: one call per step instead of
// a page fault per page. Null when the system refuses.
void* mapUnpopulated(std::size_t bytes);
void populate(void* from, std::size_t bytes);
void unmapBulk(void* block, std::size_t bytes);

} // namespace qvr
