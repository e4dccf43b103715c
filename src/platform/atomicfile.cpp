#include "platform/atomicfile.h"

#include "platform/error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

namespace {

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<std::string> readWholeFile(const std::string& path)
{
    // Non-blocking, so that a FIFO given as the file cannot hang the open; only
    // regular files are read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Read straight into the result; the size is only a first guess, since the
    // file may grow or shrink while it is read.
    const std::size_t guess = static_cast<std::size_t>(st.st_size) + 1;  // +1 sees the end in one read
    std::string data(guess, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == data.size())
            data.resize(data.size() * 2);
        ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    data.resize(got);
    return data;
}

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path)
{
    // Keep the permissions of a file being replaced; a new one gets the usual 0666 & ~umask.
    mode_t mode = 0;
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) {
        // A folder, or a file the user may not write, is not ours to replace.
        if (S_ISDIR(st.st_mode) || ::access(path_.c_str(), W_OK) != 0)
            throw errCannotCreate(path_);
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    tmp_ = path_ + ".XXXXXX";
    fd_ = ::mkstemp(tmp_.data());
    if (fd_ < 0)
        throw errCannotCreate(path_);
    if (::fchmod(fd_, mode) != 0) {
        // Best effort: the data matters more than the mode bits.
    }
    buffer_.reserve(CHUNK + CHUNK / 4);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(tmp_.c_str());
    }
}

void AtomicFileWriter::writeOut(std::string_view bytes)
{
    if (!writeAll(fd_, bytes))
        throw errWrite();
}

void AtomicFileWriter::drain()
{
    writeOut(buffer_);
    buffer_.clear();
}

void AtomicFileWriter::write(std::string_view bytes)
{
    if (buffer_.size() + bytes.size() < CHUNK) {
        buffer_.append(bytes);
        return;
    }
    drain();
    writeOut(bytes);
}

void AtomicFileWriter::commit()
{
    drain();
    bool ok = ::fsync(fd_) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (!ok || ::rename(tmp_.c_str(), path_.c_str()) != 0) {
        ::unlink(tmp_.c_str());
        throw errWrite();
    }
    // Make the rename itself durable.
    int dir = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void writeFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFileWriter out(path);
    out.write(bytes);
    out.commit();
}

} // namespace qvr
