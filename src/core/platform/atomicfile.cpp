#include "platform/atomicfile.h"

#include "platform/error.h"
#include "platform/fileio.h"

#include <cerrno>
#include <cstdint>
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

namespace {

std::string nameOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Room for the marker, the pid and mkstemp's letters within a folder entry's 255 bytes.
constexpr std::size_t TEMP_NAME_ROOM = 200;
constexpr std::string_view TEMP_MARK = ".qvrutl-";
constexpr time_t STALE_AFTER_SECONDS = 60;

// ".<target name>.qvrutl-": hidden, and recognisably ours.
std::string temporaryPrefix(const std::string& path)
{
    std::string prefix = ".";
    prefix.append(nameOf(path), 0, TEMP_NAME_ROOM).append(TEMP_MARK);
    return prefix;
}

// "<pid>-XXXXXX" after the prefix; the pid of a temporary whose name has that
// shape, else 0.
pid_t writerOf(std::string_view rest)
{
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || rest.size() - dash - 1 != 6)
        return 0;
    pid_t pid = 0;
    for (char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9' || pid > 99999999)
            return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool writerIsGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// How many of the bytes went out: all of them, or fewer with errno set.
std::size_t writeAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = fileIo().write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return bytes.size() - left;
}

bool fitsDirect(std::string_view bytes)
{
    return reinterpret_cast<std::uintptr_t>(bytes.data()) % AtomicFileWriter::DIRECT_ALIGN == 0 &&
        bytes.size() % AtomicFileWriter::DIRECT_ALIGN == 0;
}

} // namespace

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    // Non-blocking, so that a FIFO given as the file cannot hang the open; only
    // regular files are read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Read straight into the result; the size is only a first guess, since the
    // file may grow or shrink while it is read.
    const std::size_t guess = static_cast<std::size_t>(st.st_size) + 1; // +1 sees the end in one read
    std::string data(guess, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == data.size())
            data.resize(data.size() * 2);
        ssize_t n = fileIo().read(fd, data.data() + got, data.size() - got);
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
    struct stat st { };
    if (::stat(path_.c_str(), &st) == 0) {
        // A folder, or a file the user may not write, is not ours to replace.
        if (S_ISDIR(st.st_mode) || ::access(path_.c_str(), W_OK) != 0)
            throw errCannotCreate(path_);
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        // A name too long for the folder, or a folder that cannot be searched.
        throw errCannotCreate(path_);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    removeStaleTemporaries(path_);
    tmp_ = folderOf(path_) + "/" + temporaryPrefix(path_) + std::to_string(::getpid()) + "-XXXXXX";
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

void AtomicFileWriter::bypassCache()
{
    const int flags = ::fcntl(fd_, F_GETFL);
    direct_ = flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_DIRECT) == 0;
}

void AtomicFileWriter::endDirect()
{
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_DIRECT);
    direct_ = false;
}

void AtomicFileWriter::writeOut(std::string_view bytes)
{
    if (bytes.empty())
        return;
    // Only whole aligned pieces at aligned offsets can bypass the cache; every piece
    // before was whole, so the first one that is not ends it for the rest of the file.
    if (direct_ && !fitsDirect(bytes))
        endDirect();
    std::size_t done = writeAll(fd_, bytes);
    if (done < bytes.size() && direct_ && errno == EINVAL) {
        // A file system that took the flag may still refuse a direct write.
        endDirect();
        done += writeAll(fd_, bytes.substr(done));
    }
    if (done < bytes.size())
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
    bool ok = fileIo().fsync(fd_) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (!ok || ::rename(tmp_.c_str(), path_.c_str()) != 0) {
        ::unlink(tmp_.c_str());
        throw errWrite();
    }
    // Make the rename itself durable.
    int dir = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fileIo().fsync(dir);
        ::close(dir);
    }
}

void removeStaleTemporaries(const std::string& path)
{
    const std::string folder = folderOf(path);
    const std::string prefix = temporaryPrefix(path);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix))
            continue;
        const pid_t writer = writerOf(name.substr(prefix.size()));
        if (writer == 0)
            continue;
        const std::string full = folder + "/" + std::string(name);
        struct stat st { };
        if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (now - st.st_mtime > STALE_AFTER_SECONDS || writerIsGone(writer))
            ::unlink(full.c_str());
    }
    ::closedir(dir);
}

void writeFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFileWriter out(path);
    out.write(bytes);
    out.commit();
}

} // namespace qvr
