#pragma once
// Large blocks whose pages are all written soon after they are made.

#include <cstddef>

namespace qvr {

// Fresh memory of `bytes` bytes, in large pages where the system offers them, with
// every page already mapped: one call instead of a page fault per page as the block
// is first written. Null when the system refuses.
void* mapPopulated(std::size_t bytes);

// The same, but with pages mapped only as populate() asks for them.
void* mapUnpopulated(std::size_t bytes);
void populate(void* from, std::size_t bytes);

// Gives back what the two above made.
void unmapBulk(void* block, std::size_t bytes);

} // namespace qvr
