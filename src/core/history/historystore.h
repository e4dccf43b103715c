#pragma once
// The history of committed values: one SQLite file, opened at its first use. It
// never stands in the roster's way: a fault is reported once per run and the
// entry is dropped, and the roster goes on as if there were no history.

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "roster/valuejournal.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qvr {

// An entry as stored: its key, and the entry.
struct HistoryEntry {
    std::int64_t key = 0;
    ValueEntry value;
};

class HistoryStore : public ValueJournal {
public:
    static constexpr int SCHEMA_VERSION = 2;

    struct Options {
        int busyMilliseconds = 5000; // how long a second copy may hold the file
        std::string vfs; // the SQLite file system; empty = the default
    };
    // Told the message (UTF-8) of the first fault of the run.
    using FaultReport = std::function<void(const std::string& message)>;
    // Told after every change of the stored entries.
    using Listener = std::function<void()>;

    explicit HistoryStore(std::string path);
    HistoryStore(std::string path, Options options);
    ~HistoryStore() override;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    void setFaultReport(FaultReport report) { report_ = std::move(report); }
    void setListener(Listener listener) { listener_ = std::move(listener); }

    // Returns the entry's key, or 0 when it could not be recorded.
    std::uint64_t committed(const ValueEntry& entry) override;
    void withdrawn(std::uint64_t token) override;
    void reinstated(std::uint64_t token) override;
    void renamed(std::string_view from, std::string_view to) override;
    // Drops one entry for good.
    void remove(std::int64_t key);

    // The entries of one name that are not withdrawn, newest first; entries whose
    // values are out of range are left out.
    std::vector<HistoryEntry> entriesOf(std::string_view name);
    // Those of one kind: the stage times of an episode, or the status values.
    std::vector<HistoryEntry> entriesOf(std::string_view name, ValueField::Kind kind);
    // Starts reading those on the store's reading thread, for the window to be
    // built meanwhile; entriesOf the same name and kind takes the reading. Any other
    // statement waits for it first and drops it: the connection is used by one
    // thread at a time, and a change makes the reading stale.
    void readAhead(std::string_view name, ValueField::Kind kind);
    // Everyone's, by name, then oldest first.
    std::vector<HistoryEntry> allEntries();

    // Opens the file when it is not open yet; false when there is no history.
    bool available();
    bool isOpen() const { return db_ != nullptr; }
    // Why the history is not available, or what the last failed write met.
    const std::string& fault() const { return fault_; }
    const std::string& path() const { return path_; }

private:
    using Bind = std::function<void(sqlite3_stmt*)>;
    using Row = std::function<void(sqlite3_stmt*)>;

    bool open();
    int openFile(); // SQLite's result code
    int prepareSchema();
    void moveAsideDamaged();
    void close();
    // Runs one statement to its end; SQLite's result code.
    int query(const char* sql, const Bind& bind, const Row& row = {});
    // A change: false, and the fault reported, when it did not reach the file.
    bool write(const char* sql, const Bind& bind);
    void setWithdrawn(std::uint64_t token, bool withdrawn);
    // Rows read, and SQLite's result code; nothing is reported, so that it may
    // run on another thread.
    struct Read {
        std::vector<HistoryEntry> entries;
        int code = 0;
    };
    // `known`: the name and kind every row has, which the query does not read;
    // `expected`: the room to make for the rows.
    Read read(const std::string& sql, const Bind& bind, const ValueEntry* known = nullptr, std::size_t expected = 0);
    Read readKind(std::string_view name, ValueField::Kind kind);
    // The read's rows; a failed read is reported.
    std::vector<HistoryEntry> reported(Read read);
    std::size_t countOf(std::string_view name);
    // Waits for a reading ahead and drops it: the connection is this thread's again.
    void settle();
    // settle(), then available(): before each statement of this thread.
    bool usable();
    static Bind bindName(std::string_view name);
    void failed(const std::string& message);
    void changed();

    std::string path_;
    Options options_;
    sqlite3* db_ = nullptr;
    bool tried_ = false; // an open was attempted; a failed one is not retried
    bool reported_ = false;
    std::string fault_;
    std::string notice_; // the damaged file moved aside, told with the next report
    FaultReport report_;
    Listener listener_;
    struct Ahead {
        std::string name;
        ValueField::Kind kind;
        std::future<Read> read;
        bool isOf(std::string_view n, ValueField::Kind k) const { return name == n && kind == k; }
    };
    std::unique_ptr<Ahead> ahead_;
    class Reader;
    std::unique_ptr<Reader> reader_;
    struct LastRead {
        std::string name;
        ValueField::Kind kind;
        std::size_t count;
    };
    std::optional<LastRead> lastRead_; // readKind's alone, on whichever thread reads
};

// Whether a stored entry's values lie in their ranges (a hand-edited file is not trusted).
bool plausibleEntry(const ValueEntry& entry);

} // namespace qvr
