#pragma once
// Whole-file reads and crash-safe whole-file replacement.

#include <optional>
#include <string>
#include <string_view>

namespace qvr {

// The folder a path names a file in: "." for a bare name, "/" for the root's files.
std::string folderOf(const std::string& path);

// The file's bytes, or nothing when it cannot be opened or read or is not a
// regular file (a folder, a device, a FIFO).
std::optional<std::string> readWholeFile(const std::string& path);

// A file built through a buffer in a hidden temporary beside the target
// (".<target name>.qvrutl-<pid>-XXXXXX"), and renamed over
// the target only by commit(), once every byte is on the device: the target is
// always either the old file or the new one, and a large file never has to sit
// in memory as one block. The temporary keeps the mode of the file it replaces.
class AtomicFileWriter {
public:
    // Removes the target's stale temporaries first. Throws errCannotCreate when the
    // target is a folder, is not writable, or no temporary can be made beside it.
    explicit AtomicFileWriter(const std::string& path);
    // Without a commit the temporary is removed and the target stays as it was.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // The size in which the buffer goes out to the file.
    static constexpr std::size_t CHUNK = std::size_t{256} * 1024;

    // Bytes appended here are written out by pieceDone() and commit().
    std::string& buffer() { return buffer_; }
    // Writes the buffer out once it holds a chunk's worth; throws errWrite.
    void pieceDone()
    {
        if (buffer_.size() >= CHUNK)
            drain();
    }
    void write(std::string_view bytes);
    // Writes out the buffer and then these bytes without copying them; throws errWrite.
    void writeThrough(std::string_view bytes)
    {
        drain();
        writeOut(bytes);
    }
    // Flushes, syncs and renames; throws errWrite, the target then untouched.
    void commit();

    // For a large file seldom read back at once (an export): pieces given to
    // writeThrough() whose address and size are multiples of DIRECT_ALIGN then go
    // to the device without a copy in the page cache, where the file system allows
    // it. That copy costs as much CPU as making the bytes, and pushes out what other
    // programs keep in the cache. The first other piece ends it for the rest.
    void bypassCache();
    static constexpr std::size_t DIRECT_ALIGN = 4096;

private:
    void drain();
    void writeOut(std::string_view bytes);
    void endDirect();

    std::string path_;
    std::string tmp_;
    int fd_ = -1;
    bool direct_ = false;
    std::string buffer_;
};

// Removes the temporaries that writers of this target left behind when they were
// killed: those older than a minute, or whose writing process is gone.
void removeStaleTemporaries(const std::string& path);

// Replaces (or creates) the file with exactly these bytes. The bytes go to a
// temporary file in the same folder, are flushed to the device, and only then is
// the temporary renamed over the target, so the target is always either the old
// file or the new one. Throws errCannotCreate when the temporary cannot be made,
// errWrite when writing, flushing or renaming fails; the target is then untouched.
void writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace qvr
