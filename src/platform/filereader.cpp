#include "platform/filereader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

FileReader::FileReader(const std::string& path)
{
    // Non-blocking, so that a FIFO given as the file cannot hang the open.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return;
    struct stat st {};
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

bool FileReader::refill()
{
    begin_ = 0;
    end_ = 0;
    for (;;) {
        ssize_t n = ::read(fd_, buffer_, BUFFER_SIZE);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed_ = true;
        if (n <= 0)
            return false;
        end_ = static_cast<std::size_t>(n);
        return true;
    }
}

bool FileReader::read(char* dst, std::size_t n)
{
    if (fd_ < 0 || failed_)
        return false;
    while (n > 0) {
        if (begin_ == end_) {
            // Large pieces skip the buffer.
            if (n >= BUFFER_SIZE) {
                ssize_t got = ::read(fd_, dst, n);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0)
                    failed_ = true;
                if (got <= 0)
                    return false;
                dst += got;
                n -= static_cast<std::size_t>(got);
                remaining_ -= std::min(remaining_, static_cast<std::size_t>(got));
                continue;
            }
            if (!refill())
                return false;
        }
        const std::size_t take = std::min(n, end_ - begin_);
        std::memcpy(dst, buffer_ + begin_, take);
        begin_ += take;
        dst += take;
        n -= take;
        remaining_ -= std::min(remaining_, take);
    }
    return true;
}

} // namespace qvr
