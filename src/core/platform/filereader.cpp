#include "platform/filereader.h"

#include "platform/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

// The buffer is on the heap, large enough that the reads cost few system calls.
FileReader::FileReader(const std::string& path, std::size_t bufferSize)
    : capacity_(bufferSize), storage_(new char[bufferSize])
{
    // Non-blocking, so that a FIFO given as the file cannot hang the open.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return;
    struct stat st { };
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    remaining_ = static_cast<std::size_t>(st.st_size);
}

FileReader::~FileReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

// One read(2), retried when a signal interrupts it; marks a failure.
std::size_t FileReader::readSome(char* dst, std::size_t n)
{
    for (;;) {
        const ssize_t got = fileIo().read(fd_, dst, n);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR) {
            failed_ = true;
            return 0;
        }
    }
}

bool FileReader::refill()
{
    begin_ = 0;
    end_ = readSome(storage_.get(), capacity_);
    return end_ > 0;
}

bool FileReader::readSlow(char* dst, std::size_t n)
{
    if (fd_ < 0 || failed_)
        return false;
    while (n > 0) {
        std::size_t take = 0;
        if (begin_ == end_ && n >= capacity_) {
            // Large pieces skip the buffer.
            take = readSome(dst, n);
            if (take == 0)
                return false;
        } else {
            if (begin_ == end_ && !refill())
                return false;
            take = std::min(n, end_ - begin_);
            std::memcpy(dst, storage_.get() + begin_, take);
            begin_ += take;
        }
        dst += take;
        n -= take;
        remaining_ -= std::min(remaining_, take);
    }
    return true;
}

const char* FileReader::takeSlow(std::size_t n)
{
    if (fd_ < 0 || failed_ || n > capacity_)
        return nullptr;
    // The unread rest moves to the front and the buffer is filled up behind it.
    char* buffer = storage_.get();
    std::memmove(buffer, buffer + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    while (end_ < n) {
        const std::size_t got = readSome(buffer + end_, capacity_ - end_);
        if (got == 0)
            return nullptr;
        end_ += got;
    }
    const char* p = buffer;
    consume(n);
    return p;
}

} // namespace qvr
