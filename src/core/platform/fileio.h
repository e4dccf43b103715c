#pragma once
// The calls through which this program reads and writes the bytes of its files.
// A test puts a device of its own in their place (a full disk, a failing read) with
// ScopedFileIo, so that every writer and reader meets the fault as it would on a
// real device, on any machine and without root.

#include <cstddef>
#include <functional>
#include <sys/types.h>

namespace qvr {

struct FileIo {
    // As read(2), write(2) and fsync(2): a result below 0 with errno set is a failure.
    std::function<ssize_t(int fd, void* buf, std::size_t n)> read;
    std::function<ssize_t(int fd, const void* buf, std::size_t n)> write;
    std::function<int(int fd)> fsync;
};

// The system's calls, unless a test has put others in their place.
const FileIo& fileIo();

// Puts a device in place for as long as it lives; an empty call stays the system's.
class ScopedFileIo {
public:
    explicit ScopedFileIo(FileIo io);
    ~ScopedFileIo();
    ScopedFileIo(const ScopedFileIo&) = delete;
    ScopedFileIo& operator=(const ScopedFileIo&) = delete;

private:
    FileIo previous_;
};

} // namespace qvr
