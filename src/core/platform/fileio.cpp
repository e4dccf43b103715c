#include "platform/fileio.h"

#include <unistd.h>

namespace qvr {

namespace {

FileIo systemIo()
{
    return {[](int fd, void* buf, std::size_t n) { return ::read(fd, buf, n); },
        [](int fd, const void* buf, std::size_t n) { return ::write(fd, buf, n); }, [](int fd) { return ::fsync(fd); }};
}

FileIo& current()
{
    static FileIo io = systemIo();
    return io;
}

} // namespace

const FileIo& fileIo() { return current(); }

ScopedFileIo::ScopedFileIo(FileIo io) : previous_(current())
{
    FileIo system = systemIo();
    if (!io.read)
        io.read = std::move(system.read);
    if (!io.write)
        io.write = std::move(system.write);
    if (!io.fsync)
        io.fsync = std::move(system.fsync);
    current() = std::move(io);
}

ScopedFileIo::~ScopedFileIo() { current() = std::move(previous_); }

} // namespace qvr
