#pragma once
// A memo's bytes (code page 932, line breaks CR LF). The memos of one roster load
// are pieces of one block that those records share, so that a load makes one
// allocation for all of them rather than one per record; changing a memo gives it
// bytes of its own first. Reads as a string view wherever a memo is read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvr {

class MemoText {
public:
    // Room for the memos of one load; pieces are cut from it with share().
    class Block;

    MemoText() noexcept = default;
    MemoText(std::string_view bytes) { assign(bytes); }
    MemoText(const std::string& bytes) : MemoText(std::string_view(bytes)) { }
    MemoText(const char* bytes) : MemoText(std::string_view(bytes)) { }
    MemoText(const MemoText& other);
    MemoText(MemoText&& other) noexcept;
    MemoText& operator=(const MemoText& other);
    MemoText& operator=(MemoText&& other) noexcept;
    MemoText& operator=(std::string_view bytes)
    {
        assign(bytes);
        return *this;
    }
    MemoText& operator=(const std::string& bytes)
    {
        assign(bytes);
        return *this;
    }
    MemoText& operator=(const char* bytes)
    {
        assign(std::string_view(bytes));
        return *this;
    }
    ~MemoText() { release(); }

    const char* data() const noexcept { return data_ ? data_ : ""; }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    operator std::string_view() const noexcept { return {data(), size_}; }
    std::string str() const { return std::string(data(), size_); }

    void clear() noexcept;
    void assign(std::string_view bytes);
    void assign(std::size_t count, char c);
    void push_back(char c);

    friend bool operator==(const MemoText& a, const MemoText& b) noexcept
    {
        return std::string_view(a) == std::string_view(b);
    }
    friend bool operator==(const MemoText& a, std::string_view b) noexcept { return std::string_view(a) == b; }
    friend bool operator==(const MemoText& a, const std::string& b) noexcept { return std::string_view(a) == b; }
    friend bool operator==(const MemoText& a, const char* b) noexcept { return std::string_view(a) == b; }

    // The next `size` bytes of the block as this memo's bytes, for the caller to
    // fill; `size` must fit in what the block has left.
    inline char* share(Block& block, std::size_t size);

private:
    void release() noexcept;
    char* own(std::size_t size); // fresh bytes of its own; the contents are the caller's

    char* data_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0; // of its own bytes; 0 for a piece of a block
    Block* block_ = nullptr; // the block a piece belongs to
};

// Counted by its maker and by each piece; freed with the last of them. The count
// is not atomic: the records of a roster belong to one thread.
class MemoText::Block {
public:
    // Room for `capacity` bytes, counted once for the maker.
    static Block* make(std::size_t capacity);
    // The maker's or a piece's count given back.
    static void unref(Block* block) noexcept;

private:
    friend class MemoText;
    // A large block is a mapping of its own whose pages are mapped ahead of the
    // pieces in steps (POPULATE_STEP), which costs less than a page fault per page.
    void populateFor(std::size_t end) noexcept;

    std::size_t refs_ = 1;
    std::size_t used_ = 0;
    std::size_t capacity_ = 0;
    std::size_t populated_ = 0; // bytes whose pages are mapped ahead
    std::size_t mapping_ = 0; // bytes of a block's own mapping; 0 on the heap
    char* bytes() noexcept { return reinterpret_cast<char*>(this + 1); }
};

char* MemoText::share(Block& block, std::size_t size)
{
    if (data_)
        release();
    if (size == 0)
        return nullptr; // an empty memo holds no block
    if (block.used_ + size > block.populated_)
        block.populateFor(block.used_ + size);
    ++block.refs_;
    data_ = block.bytes() + block.used_;
    block.used_ += size;
    size_ = static_cast<std::uint32_t>(size);
    block_ = &block;
    return data_;
}

} // namespace qvr
