#pragma once
// Sequential reads of a file through one buffer, for readers that take a
// file apart as it comes instead of first holding all of its bytes.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace qvr {

class FileReader {
public:
    // A reader that reads ahead `bufferSize` bytes at a time: one that looks at a
    // file's first bytes only need not read more of it.
    explicit FileReader(const std::string& path, std::size_t bufferSize = BUFFER_SIZE);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The file is open and is a regular file (so that its size is known); a
    // folder, a device or a FIFO is not opened.
    bool isOpen() const { return fd_ >= 0; }
    // A read failed (as opposed to the file simply ending).
    bool failed() const { return failed_; }

    // Bytes left by the size the file had when it was opened: an upper bound for
    // what a reader may allocate on the file's word.
    std::size_t remaining() const { return remaining_; }

    // Copies exactly n bytes to dst; false when the file ends first or a read fails.
    bool read(char* dst, std::size_t n)
    {
        if (end_ - begin_ < n)
            return readSlow(dst, n);
        std::memcpy(dst, storage_.get() + begin_, n);
        consume(n);
        return true;
    }

    // The next n bytes (at most the buffer's size) where they lie in the buffer, without
    // a copy; valid until the next read or take. Null when the file ends first or
    // a read fails.
    const char* take(std::size_t n)
    {
        if (end_ - begin_ < n)
            return takeSlow(n);
        const char* p = storage_.get() + begin_;
        consume(n);
        return p;
    }
    static constexpr std::size_t BUFFER_SIZE = 1 << 18;

private:
    // Whole pieces already in the buffer are handed out inline; the rest here.
    bool readSlow(char* dst, std::size_t n);
    const char* takeSlow(std::size_t n);
    void consume(std::size_t n)
    {
        begin_ += n;
        remaining_ -= std::min(remaining_, n);
    }
    std::size_t readSome(char* dst, std::size_t n);
    bool refill();

    int fd_ = -1;
    bool failed_ = false;
    std::size_t remaining_ = 0;
    std::size_t capacity_;
    std::unique_ptr<char[]> storage_;
    std::size_t begin_ = 0; // unread bytes of the buffer: [begin_, end_)
    std::size_t end_ = 0;
};

} // namespace qvr
