#include "interchange/textcursor.h"

#include "platform/bulkmemory.h"

#include <new>

namespace qvr {

namespace {

constexpr std::array<LeadingGroup, 10000> makeLeadingGroups()
{
    std::array<LeadingGroup, 10000> table{};
    for (unsigned v = 0; v < table.size(); ++v) {
        LeadingGroup& g = table[v];
        g.length = v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1;
        unsigned rest = v;
        for (std::size_t i = g.length; i-- > 0; rest /= 10)
            g.digits[i] = static_cast<char>('0' + rest % 10);
        g.digits[g.length] = ',';
    }
    return table;
}

constexpr std::array<std::array<char, 4>, 10000> makePaddedGroups()
{
    std::array<std::array<char, 4>, 10000> table{};
    for (unsigned v = 0; v < table.size(); ++v) {
        unsigned rest = v;
        for (std::size_t i = 4; i-- > 0; rest /= 10)
            table[v][i] = static_cast<char>('0' + rest % 10);
    }
    return table;
}

constexpr std::align_val_t HEAP_ALIGN{AtomicFileWriter::DIRECT_ALIGN};

} // namespace

constexpr std::array<LeadingGroup, 10000> LEADING_GROUPS = makeLeadingGroups();
constexpr std::array<std::array<char, 4>, 10000> PADDED_GROUPS = makePaddedGroups();

SinkBuffer::SinkBuffer(std::size_t size) : size_(size)
{
    if (void* block = BULK_ALLOCATORS ? mapUnpopulated(size) : nullptr) {
        populate(block, size);
        mapped_ = true;
        data_ = static_cast<char*>(block);
    } else {
        data_ = static_cast<char*>(::operator new(size, HEAP_ALIGN));
    }
}

SinkBuffer::~SinkBuffer()
{
    if (mapped_)
        unmapBulk(data_, size_);
    else
        ::operator delete(data_, HEAP_ALIGN);
}

FileSink::FileSink(AtomicFileWriter& out) : out_(out), buffer_(CAPACITY) { out_.bypassCache(); }

void FileSink::flush()
{
    // Whole aligned pieces only, so that each can bypass the cache; the odd rest
    // moves to the front.
    const std::size_t whole = used_ - used_ % AtomicFileWriter::DIRECT_ALIGN;
    out_.writeThrough({buffer_.get(), whole});
    std::memmove(buffer_.get(), buffer_.get() + whole, used_ - whole);
    used_ -= whole;
}

void FileSink::finish()
{
    flush();
    out_.writeThrough({buffer_.get(), used_});
    used_ = 0;
}

LineList ListSink::lines() const
{
    LineList lines;
    lines.reserve(ends_.size());
    std::size_t start = 0;
    for (std::size_t end : ends_) {
        lines.emplace_back(text_, start, end - start);
        start = end + 2;
    }
    return lines;
}

} // namespace qvr
