#include "history/historystore.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/folders.h"
#include "roster/charrecord.h"
#include "roster/columns.h"

#include <sqlite3.h>

#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

namespace {

const char* const SCHEMA = "CREATE TABLE IF NOT EXISTS entries ("
                           " id INTEGER PRIMARY KEY,"
                           " when_utc INTEGER NOT NULL,"
                           " name BLOB NOT NULL,"
                           " section_id INTEGER NOT NULL,"
                           " class INTEGER NOT NULL,"
                           " kind INTEGER NOT NULL," // 0 status, 1 episode 1, 2 episode 2
                           " field INTEGER NOT NULL,"
                           " old_value INTEGER NOT NULL,"
                           " new_value INTEGER NOT NULL,"
                           " best INTEGER NOT NULL,"
                           " withdrawn INTEGER NOT NULL DEFAULT 0);"
                           "CREATE INDEX IF NOT EXISTS entries_by_name ON entries(name, when_utc);"
                           // Version 2: the window's reading (ONE_KIND) from the index alone, in its order; a
                           // table row fetched per entry was a third of opening the window on a long history.
                           "CREATE INDEX IF NOT EXISTS entries_by_kind ON entries(name, kind, withdrawn, when_utc, id,"
                           " section_id, class, field, old_value, new_value, best);";

// The entry's values, then its kind and name; a query for one name and kind asks
// for the values only (ONE_KIND).
const char* const COLUMNS = "SELECT id, when_utc, section_id, class, field, old_value, new_value, best, kind, name"
                            " FROM entries WHERE withdrawn = 0";
const char* const ONE_KIND =
    "SELECT id, when_utc, section_id, class, field, old_value, new_value, best"
    " FROM entries WHERE withdrawn = 0 AND name = ? AND kind = ? ORDER BY when_utc DESC, id DESC";
constexpr int VALUE_COLUMNS = 6; // section_id .. best

bool damaged(int code) { return code == SQLITE_NOTADB || code == SQLITE_CORRUPT; }

// Why a file operation failed, as the messages say it.
std::string reasonOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return "書き込みが許可されていません";
    case SQLITE_CANTOPEN: return "開けません";
    case SQLITE_FULL: return "ディスクに空きがありません";
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "他のプログラムが使用中です";
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return "データベースとして読めません";
    case SQLITE_IOERR: return "入出力エラー";
    default: return sqlite3_errstr(code);
    }
}

// history.sqlite.damaged-2026-12-10, with -2, -3 … when that name is taken.
std::string asideName(const std::string& path)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    const std::string base = path + ".damaged-" + date;
    std::string name = base;
    for (int n = 2; nameTaken(name) || nameTaken(name + "-wal"); ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

bool fitsInt32(sqlite3_int64 v)
{
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

// The row's integer column, or nothing when it is not an integer of 32 bits.
bool readInt32(sqlite3_stmt* st, int column, std::int32_t& out)
{
    sqlite3_value* value = sqlite3_column_value(st, column);
    if (sqlite3_value_type(value) != SQLITE_INTEGER)
        return false;
    const sqlite3_int64 v = sqlite3_value_int64(value);
    out = static_cast<std::int32_t>(v);
    return fitsInt32(v);
}

// The entry of the statement's row, or nothing when a value does not fit its
// field. Read through the row's values: each column call of the statement API
// locks and checks the statement again, and a long history reads many rows. A
// row without its kind and name (ONE_KIND) keeps those of `out`.
bool readEntry(sqlite3_stmt* st, bool withKindAndName, HistoryEntry& out)
{
    std::int32_t ints[VALUE_COLUMNS + 1]; // section_id, class, field, old_value, new_value, best, kind
    const int count = withKindAndName ? VALUE_COLUMNS + 1 : VALUE_COLUMNS;
    for (int c = 0; c < count; ++c)
        if (!readInt32(st, c + 2, ints[c]))
            return false;
    const auto [id, wtype, field, oldValue, newValue, best, kind] = ints;
    if (best != 0 && best != 1)
        return false;
    if (withKindAndName) {
        if (kind < ValueField::Status || kind > ValueField::Ep2)
            return false;
        sqlite3_value* name = sqlite3_column_value(st, count + 2);
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(name));
        out.value.name.assign(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(name)));
        out.value.field.kind = static_cast<ValueField::Kind>(kind);
    }
    out.key = sqlite3_column_int64(st, 0);
    out.value.whenUtc = sqlite3_column_int64(st, 1);
    out.value.id = id;
    out.value.wtype = wtype;
    out.value.field.index = field;
    out.value.oldValue = oldValue;
    out.value.newValue = newValue;
    out.value.best = best == 1;
    return true;
}

} // namespace

bool plausibleEntry(const ValueEntry& e)
{
    const auto in = [](int v, std::size_t count) { return v >= 0 && static_cast<std::size_t>(v) < count; };
    if (e.whenUtc < 0 || e.name.size() >= NAME_SIZE || !in(e.id, SECTION_ID_NAMES.size()) ||
        !in(e.wtype, CLASS_NAMES.size()))
        return false;
    switch (e.field.kind) {
    case ValueField::Status: return in(e.field.index, valueColumns(ViewMode::State).size());
    case ValueField::Ep1: return in(e.field.index, EP1_STAGES) && e.oldValue >= 0 && e.newValue >= 0;
    case ValueField::Ep2: return in(e.field.index, EP2_STAGES) && e.oldValue >= 0 && e.newValue >= 0;
    }
    return false;
}

HistoryStore::HistoryStore(std::string path) : HistoryStore(std::move(path), Options{}) { }

HistoryStore::HistoryStore(std::string path, Options options) : path_(std::move(path)), options_(std::move(options)) { }

HistoryStore::~HistoryStore()
{
    settle();
    close();
}

void HistoryStore::close()
{
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool HistoryStore::available()
{
    if (!db_ && !tried_)
        open();
    return db_ != nullptr;
}

bool HistoryStore::open()
{
    tried_ = true;
    // A folder that cannot be made is reported by the open that follows.
    ignoring(Error::Kind::CannotCreate, [&] { makeFolders(folderOf(path_)); });
    int code = openFile();
    if (damaged(code)) {
        close();
        moveAsideDamaged();
        code = openFile();
    }
    if (code == SQLITE_OK)
        return true;
    tried_ = code != SQLITE_BUSY; // a second copy's lock passes: try again at the next use
    if (code != SQLITE_ERROR || fault_.empty())
        fault_ = "履歴ファイル " + path_ + " を開けません (" + reasonOf(code) + ")";
    close();
    failed(fault_);
    return false;
}

int HistoryStore::openFile()
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    int code = sqlite3_open_v2(path_.c_str(), &db_, flags, options_.vfs.empty() ? nullptr : options_.vfs.c_str());
    if (code != SQLITE_OK)
        return code;
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_timeout(db_, options_.busyMilliseconds);
    return prepareSchema();
}

int HistoryStore::prepareSchema()
{
    int version = -1;
    std::string check;
    int code = query("PRAGMA user_version", {}, [&](sqlite3_stmt* st) { version = sqlite3_column_int(st, 0); });
    if (code == SQLITE_OK)
        code = query("PRAGMA quick_check", {}, [&](sqlite3_stmt* st) {
            if (check.empty())
                check = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        });
    if (code != SQLITE_OK)
        return code;
    if (check != "ok")
        return SQLITE_CORRUPT;
    if (version > SCHEMA_VERSION) {
        fault_ = "履歴ファイル " + path_ + " はこのプログラムより新しい版のものです";
        return SQLITE_ERROR;
    }
    // WAL with a full sync: a commit that returned is on the device.
    for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"})
        if ((code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)) != SQLITE_OK)
            return code;
    if (version == SCHEMA_VERSION)
        return SQLITE_OK;
    const std::string create =
        std::string("BEGIN IMMEDIATE;") + SCHEMA + "PRAGMA user_version=" + std::to_string(SCHEMA_VERSION) + ";COMMIT";
    code = sqlite3_exec(db_, create.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return code;
}

// The damaged file (and its log) keeps its bytes under another name; the index
// of the log is derived from it and goes.
void HistoryStore::moveAsideDamaged()
{
    const std::string aside = asideName(path_);
    if (std::rename(path_.c_str(), aside.c_str()) != 0)
        return;
    std::rename((path_ + "-wal").c_str(), (aside + "-wal").c_str());
    ::unlink((path_ + "-shm").c_str());
    notice_ = "履歴ファイル " + path_ + " は壊れていたため " + aside + " に移し, 新しく作りました";
    failed(notice_);
}

int HistoryStore::query(const char* sql, const Bind& bind, const Row& row)
{
    sqlite3_stmt* st = nullptr;
    int code = sqlite3_prepare_v2(db_, sql, -1, &st, nullptr);
    if (code == SQLITE_OK) {
        if (bind)
            bind(st);
        while ((code = sqlite3_step(st)) == SQLITE_ROW)
            if (row)
                row(st);
        if (code == SQLITE_DONE)
            code = SQLITE_OK;
    }
    sqlite3_finalize(st);
    return code;
}

bool HistoryStore::write(const char* sql, const Bind& bind)
{
    if (!usable())
        return false;
    const int code = query(sql, bind);
    if (code == SQLITE_OK)
        return true;
    fault_ = "履歴ファイル " + path_ + " に書き込めません (" + reasonOf(code) + ")";
    failed(fault_);
    return false;
}

void HistoryStore::failed(const std::string& message)
{
    if (reported_ || !report_)
        return;
    reported_ = true;
    report_(message);
}

void HistoryStore::changed()
{
    if (listener_)
        listener_();
}

std::uint64_t HistoryStore::committed(const ValueEntry& e)
{
    const bool stored = write("INSERT INTO entries (when_utc, name, section_id, class, kind, field, old_value,"
                              " new_value, best) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
        [&](sqlite3_stmt* st) {
            sqlite3_bind_int64(st, 1, e.whenUtc);
            sqlite3_bind_blob(st, 2, e.name.data(), static_cast<int>(e.name.size()), SQLITE_TRANSIENT);
            const int ints[] = {e.id, e.wtype, e.field.kind, e.field.index, e.oldValue, e.newValue, e.best ? 1 : 0};
            for (int i = 0; i < 7; ++i)
                sqlite3_bind_int(st, i + 3, ints[i]);
        });
    if (!stored)
        return 0;
    const auto key = static_cast<std::uint64_t>(sqlite3_last_insert_rowid(db_));
    changed();
    return key;
}

void HistoryStore::setWithdrawn(std::uint64_t token, bool withdrawn)
{
    if (token == 0)
        return;
    if (write("UPDATE entries SET withdrawn = ? WHERE id = ?", [&](sqlite3_stmt* st) {
            sqlite3_bind_int(st, 1, withdrawn ? 1 : 0);
            sqlite3_bind_int64(st, 2, static_cast<sqlite3_int64>(token));
        }))
        changed();
}

void HistoryStore::withdrawn(std::uint64_t token) { setWithdrawn(token, true); }
void HistoryStore::reinstated(std::uint64_t token) { setWithdrawn(token, false); }

void HistoryStore::renamed(std::string_view from, std::string_view to)
{
    if (write("UPDATE entries SET name = ? WHERE name = ?", [&](sqlite3_stmt* st) {
            sqlite3_bind_blob(st, 1, to.data(), static_cast<int>(to.size()), SQLITE_TRANSIENT);
            sqlite3_bind_blob(st, 2, from.data(), static_cast<int>(from.size()), SQLITE_TRANSIENT);
        }))
        changed();
}

void HistoryStore::remove(std::int64_t key)
{
    if (write("DELETE FROM entries WHERE id = ?", [&](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, key); }))
        changed();
}

HistoryStore::Read HistoryStore::read(
    const std::string& sql, const Bind& bind, const ValueEntry* known, std::size_t expected)
{
    Read out;
    out.entries.reserve(expected);
    HistoryEntry entry;
    if (known)
        entry.value = *known;
    out.code = query(sql.c_str(), bind, [&](sqlite3_stmt* st) {
        if (readEntry(st, !known, entry) && plausibleEntry(entry.value))
            out.entries.push_back(entry);
    });
    return out;
}

std::vector<HistoryEntry> HistoryStore::reported(Read read)
{
    if (read.code != SQLITE_OK) {
        fault_ = "履歴ファイル " + path_ + " を読めません (" + reasonOf(read.code) + ")";
        failed(fault_);
    }
    return std::move(read.entries);
}

// How many entries a name has at most, counted in its index alone: read into
// room made once, a long history is neither copied from block to ever larger
// block nor gathered apart first (either grows and shrinks the heap by the
// whole history, a page fault per page at every reading).
std::size_t HistoryStore::countOf(std::string_view name)
{
    std::size_t count = 0;
    query("SELECT count(*) FROM entries WHERE name = ?", bindName(name),
        [&](sqlite3_stmt* st) { count = static_cast<std::size_t>(sqlite3_column_int64(st, 0)); });
    return count;
}

HistoryStore::Bind HistoryStore::bindName(std::string_view name)
{
    return [name](sqlite3_stmt* st) {
        sqlite3_bind_blob(st, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    };
}

std::vector<HistoryEntry> HistoryStore::entriesOf(std::string_view name)
{
    if (!usable())
        return {};
    return reported(read(std::string(COLUMNS) + " AND name = ? ORDER BY when_utc DESC, id DESC", bindName(name),
        nullptr, countOf(name)));
}

// A reading of the same name and kind as the last (the window opened again, or
// following a commit) makes the room that one took and some more instead of
// counting first: counting is a sixth of the reading, and room a little too
// large costs nothing.
HistoryStore::Read HistoryStore::readKind(std::string_view name, ValueField::Kind kind)
{
    constexpr std::size_t SPARE_ROOM = 64;
    ValueEntry known;
    known.name = name;
    known.field.kind = kind;
    const bool again = lastRead_ && lastRead_->name == name && lastRead_->kind == kind;
    Read out = read(
        ONE_KIND,
        [&](sqlite3_stmt* st) {
            bindName(name)(st);
            sqlite3_bind_int(st, 2, kind);
        },
        &known, again ? lastRead_->count + SPARE_ROOM : countOf(name));
    lastRead_ = LastRead{std::string(name), kind, out.entries.size()};
    return out;
}

std::vector<HistoryEntry> HistoryStore::entriesOf(std::string_view name, ValueField::Kind kind)
{
    if (ahead_ && ahead_->isOf(name, kind)) {
        Read ahead = ahead_->read.get();
        ahead_.reset();
        return reported(std::move(ahead));
    }
    if (!usable())
        return {};
    return reported(readKind(name, kind));
}

// The thread of the readings ahead, kept from one to the next: starting a thread
// for each cost about a fifth of a millisecond, more than a tenth of the time the
// window gains by reading ahead.
class HistoryStore::Reader {
public:
    ~Reader()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable())
            thread_.join();
    }
    std::future<Read> run(std::function<Read()> job)
    {
        std::packaged_task<Read()> task(std::move(job));
        std::future<Read> result = task.get_future();
        {
            const std::lock_guard lock(mutex_);
            task_ = std::move(task);
        }
        if (!thread_.joinable())
            thread_ = std::thread([this] { serve(); });
        wake_.notify_one();
        return result;
    }

private:
    void serve()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || task_.valid(); });
            if (stopping_)
                return;
            std::packaged_task<Read()> task = std::move(task_);
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::packaged_task<Read()> task_;
    bool stopping_ = false;
    std::thread thread_;
};

void HistoryStore::readAhead(std::string_view name, ValueField::Kind kind)
{
    if (ahead_ && ahead_->isOf(name, kind))
        return;
    if (!usable())
        return;
    try {
        if (!reader_)
            reader_ = std::make_unique<Reader>();
        ahead_ = std::make_unique<Ahead>(Ahead{std::string(name), kind, {}});
        ahead_->read = reader_->run([this, name = ahead_->name, kind] { return readKind(name, kind); });
    } catch (const std::system_error&) {
        ahead_.reset(); // no thread to spare: read when asked
    }
}

void HistoryStore::settle()
{
    if (ahead_)
        ahead_->read.wait();
    ahead_.reset();
}

bool HistoryStore::usable()
{
    settle();
    return available();
}

std::vector<HistoryEntry> HistoryStore::allEntries()
{
    if (!usable())
        return {};
    return reported(read(std::string(COLUMNS) + " ORDER BY name, when_utc, id", {}));
}

} // namespace qvr
