#pragma once
// An SQLite file system that passes everything to the default one, except that
// its writes fail as on a full disk while `full` is set, and its reads fail as on
// a failing device while `unreadable` is set.

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace failingvfs {

inline bool full = false;
// Atomic: the store may read on a thread of its own.
inline std::atomic<bool> unreadable = false;
inline constexpr const char* NAME = "qvr-failing";

struct File {
    sqlite3_file base;
    sqlite3_file* real; // the default file system's file, right behind this one
};

inline sqlite3_vfs* realVfs() { return sqlite3_vfs_find(nullptr); }
inline sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

inline int write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset)
{
    return full ? SQLITE_FULL : real(f)->pMethods->xWrite(real(f), data, amount, offset);
}

// Every other method goes straight to the real file.
inline const sqlite3_io_methods* methods()
{
    static sqlite3_io_methods m = [] {
        sqlite3_io_methods x{};
        x.iVersion = 2;
        x.xClose = [](sqlite3_file* f) {
            const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
            delete[] reinterpret_cast<char*>(real(f));
            return rc;
        };
        x.xRead = [](sqlite3_file* f, void* d, int n, sqlite3_int64 o) {
            return unreadable ? SQLITE_IOERR_READ : real(f)->pMethods->xRead(real(f), d, n, o);
        };
        x.xWrite = write;
        x.xTruncate = [](sqlite3_file* f, sqlite3_int64 s) { return real(f)->pMethods->xTruncate(real(f), s); };
        x.xSync = [](sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); };
        x.xFileSize = [](sqlite3_file* f, sqlite3_int64* s) { return real(f)->pMethods->xFileSize(real(f), s); };
        x.xLock = [](sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); };
        x.xUnlock = [](sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); };
        x.xCheckReservedLock = [](sqlite3_file* f, int* r) {
            return real(f)->pMethods->xCheckReservedLock(real(f), r);
        };
        x.xFileControl = [](sqlite3_file* f, int op, void* a) {
            return real(f)->pMethods->xFileControl(real(f), op, a);
        };
        x.xSectorSize = [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); };
        x.xDeviceCharacteristics = [](sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); };
        x.xShmMap = [](sqlite3_file* f, int p, int s, int e, void volatile** a) {
            return real(f)->pMethods->xShmMap(real(f), p, s, e, a);
        };
        x.xShmLock = [](sqlite3_file* f, int o, int n, int fl) {
            return real(f)->pMethods->xShmLock(real(f), o, n, fl);
        };
        x.xShmBarrier = [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); };
        x.xShmUnmap = [](sqlite3_file* f, int d) { return real(f)->pMethods->xShmUnmap(real(f), d); };
        return x;
    }();
    return &m;
}

inline int open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(new char[static_cast<std::size_t>(realVfs()->szOsFile)]());
    const int rc = realVfs()->xOpen(realVfs(), name, file->real, flags, outFlags);
    // SQLite closes a file whose open failed only when its methods are set.
    file->base.pMethods = rc == SQLITE_OK ? methods() : nullptr;
    if (rc != SQLITE_OK)
        delete[] reinterpret_cast<char*>(file->real);
    return rc;
}

// Registers the file system once.
inline void install()
{
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs v = *realVfs();
        v.szOsFile = sizeof(File);
        v.zName = NAME;
        v.pNext = nullptr;
        v.xOpen = open;
        return v;
    }();
    static const bool registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    (void)registered;
}

} // namespace failingvfs
