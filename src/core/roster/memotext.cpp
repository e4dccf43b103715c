#include "roster/memotext.h"

#include "platform/bulkmemory.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace qvr {

namespace {

// The mapping of the last large block given back, kept for the next load: its pages
// are mapped already, and mapping fresh ones is what a large load costs most.
struct SpareMapping {
    void* at = nullptr;
    std::size_t bytes = 0;
    std::size_t populated = 0;
};
thread_local SpareMapping spare;

} // namespace

MemoText::Block* MemoText::Block::make(std::size_t capacity)
{
    const std::size_t bytes = sizeof(Block) + capacity;
    if (!BULK_ALLOCATORS || bytes < POPULATE_STEP) {
        Block* b = ::new (::operator new(bytes)) Block;
        b->capacity_ = b->populated_ = capacity;
        return b;
    }
    SpareMapping m;
    if (spare.at && spare.bytes >= bytes)
        std::swap(m, spare);
    else if ((m.at = mapUnpopulated(bytes)))
        m.bytes = bytes;
    else
        throw std::bad_alloc();
    Block* b = ::new (m.at) Block;
    b->capacity_ = capacity;
    b->mapping_ = m.bytes;
    b->populated_ = std::min(capacity, m.populated > sizeof(Block) ? m.populated - sizeof(Block) : 0);
    return b;
}

void MemoText::Block::unref(Block* block) noexcept
{
    if (!block || --block->refs_ > 0)
        return;
    const std::size_t mapping = block->mapping_;
    const std::size_t populated = sizeof(Block) + block->populated_;
    block->~Block();
    if (!mapping) {
        ::operator delete(block);
        return;
    }
    // The larger of the two mappings is kept.
    if (spare.at && spare.bytes >= mapping) {
        unmapBulk(block, mapping);
        return;
    }
    if (spare.at)
        unmapBulk(spare.at, spare.bytes);
    spare = {block, mapping, populated};
}

void MemoText::Block::populateFor(std::size_t end) noexcept
{
    const std::size_t target = std::min(capacity_, std::max(end, populated_ + POPULATE_STEP));
    populate(bytes() + populated_, target - populated_);
    populated_ = target;
}

MemoText::MemoText(const MemoText& other) { *this = other; }

MemoText::MemoText(MemoText&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_), block_(other.block_)
{
    other.data_ = nullptr;
    other.size_ = 0;
    other.capacity_ = 0;
    other.block_ = nullptr;
}

MemoText& MemoText::operator=(const MemoText& other)
{
    if (this == &other)
        return *this;
    if (other.block_) {
        ++other.block_->refs_; // shared, not copied
        release();
        data_ = other.data_;
        size_ = other.size_;
        block_ = other.block_;
        return *this;
    }
    assign(other);
    return *this;
}

MemoText& MemoText::operator=(MemoText&& other) noexcept
{
    if (this != &other) {
        release();
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        std::swap(block_, other.block_);
    }
    return *this;
}

void MemoText::release() noexcept
{
    if (block_)
        Block::unref(block_);
    else
        delete[] data_;
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    block_ = nullptr;
}

void MemoText::clear() noexcept
{
    if (block_)
        release();
    size_ = 0;
}

char* MemoText::own(std::size_t size)
{
    if (size > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("memo too long");
    if (!block_ && size <= capacity_) {
        size_ = static_cast<std::uint32_t>(size);
        return data_;
    }
    char* bytes = new char[std::max<std::size_t>(size, 1)];
    release();
    data_ = bytes;
    size_ = static_cast<std::uint32_t>(size);
    capacity_ = static_cast<std::uint32_t>(std::max<std::size_t>(size, 1));
    return data_;
}

void MemoText::assign(std::string_view bytes)
{
    if (bytes.empty()) {
        clear();
        return;
    }
    // The bytes may be this memo's own (a piece of itself): copy before letting go.
    if (!block_ && bytes.size() <= capacity_) {
        std::memmove(data_, bytes.data(), bytes.size());
        size_ = static_cast<std::uint32_t>(bytes.size());
        return;
    }
    MemoText fresh;
    std::memcpy(fresh.own(bytes.size()), bytes.data(), bytes.size());
    *this = std::move(fresh);
}

void MemoText::assign(std::size_t count, char c)
{
    if (count == 0) {
        clear();
        return;
    }
    std::memset(own(count), c, count);
}

void MemoText::push_back(char c)
{
    const std::size_t n = size_;
    if (!block_ && n < capacity_) {
        data_[size_++] = c;
        return;
    }
    MemoText grown;
    char* bytes = grown.own(std::max<std::size_t>(2 * n, 16));
    std::memcpy(bytes, data(), n);
    bytes[n] = c;
    grown.size_ = static_cast<std::uint32_t>(n + 1);
    *this = std::move(grown);
}

} // namespace qvr
