// The history store alone: what it keeps and gives back, and how it meets a file
// it cannot use.

#include "history/historystore.h"
#include "platform/atomicfile.h"

#include "failingvfs.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <iterator>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace qvr;

namespace {

ValueEntry entry(std::int64_t when, std::string name, ValueField field, std::int32_t oldValue, std::int32_t newValue,
    bool best = false)
{
    return ValueEntry{when, std::move(name), 3, 7, field, oldValue, newValue, best};
}

// Reports collected from a store.
struct Reports {
    QStringList messages;
    void attach(HistoryStore& store)
    {
        store.setFaultReport([this](const std::string& m) { messages << QString::fromStdString(m); });
    }
};

// A raw connection to the file, as a second program or a hand edit would have.
struct RawDb {
    sqlite3* db = nullptr;
    explicit RawDb(const std::string& path) { sqlite3_open(path.c_str(), &db); }
    ~RawDb() { sqlite3_close(db); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;
    int exec(const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }
    long long value(const std::string& sql)
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        const long long v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
        sqlite3_finalize(st);
        return v;
    }
};

std::vector<std::int64_t> keysOf(const std::vector<HistoryEntry>& entries)
{
    std::vector<std::int64_t> keys;
    for (const auto& e : entries)
        keys.push_back(e.key);
    return keys;
}

} // namespace

class TstHistoryStore : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::string path(const char* name = "history.sqlite") const { return dir_.filePath(name).toStdString(); }

private slots:
    void init() { QVERIFY(QDir(dir_.path()).removeRecursively() && QDir().mkpath(dir_.path())); }

    void recordsAndGivesBackNewestFirst()
    {
        HistoryStore store(path());
        QVERIFY(!store.isOpen());
        const ValueEntry first = entry(1000, "Alice", {ValueField::Ep1, 2}, 0, 300);
        const ValueEntry second = entry(2000, "Alice", {ValueField::Ep1, 2}, 300, 250, true);
        const ValueEntry other = entry(1500, "Bob", {ValueField::Status, 0}, 1, 2);
        const auto k1 = store.committed(first);
        const auto k2 = store.committed(second);
        const auto k3 = store.committed(other);
        QVERIFY(k1 && k2 && k3);
        const auto alice = store.entriesOf("Alice");
        QCOMPARE(alice.size(), std::size_t{2});
        QVERIFY(alice[0].value == second);
        QVERIFY(alice[1].value == first);
        QCOMPARE(keysOf(store.allEntries()),
            (std::vector<std::int64_t>{std::int64_t(k1), std::int64_t(k2), std::int64_t(k3)}));
        // One kind of value: the window's view.
        const ValueEntry status = entry(3000, "Alice", {ValueField::Status, 4}, 7, 8);
        QVERIFY(store.committed(status));
        const auto times = store.entriesOf("Alice", ValueField::Ep1);
        QCOMPARE(times.size(), std::size_t{2});
        QVERIFY(times[0].value == second);
        QCOMPARE(store.entriesOf("Alice", ValueField::Status).size(), std::size_t{1});
        QVERIFY(store.entriesOf("Alice", ValueField::Ep2).empty());
        // Another run sees the same.
        HistoryStore again(path());
        QVERIFY(again.entriesOf("Bob").at(0).value == other);
    }

    void withdrawnEntriesLeaveAndComeBackWithTheirTime()
    {
        HistoryStore store(path());
        int changes = 0;
        store.setListener([&] { ++changes; });
        const auto kept = store.committed(entry(100, "A", {ValueField::Ep2, 0}, 0, 90));
        const auto undone = store.committed(entry(200, "A", {ValueField::Ep2, 0}, 90, 80));
        store.withdrawn(undone);
        QCOMPARE(keysOf(store.entriesOf("A")), (std::vector<std::int64_t>{std::int64_t(kept)}));
        QVERIFY(store.allEntries().size() == 1);
        store.reinstated(undone);
        const auto back = store.entriesOf("A");
        QCOMPARE(back.size(), std::size_t{2});
        QCOMPARE(back[0].value.whenUtc, std::int64_t{200});
        QCOMPARE(changes, 4);
        store.withdrawn(0); // a commit that was not recorded
        QCOMPARE(store.entriesOf("A").size(), std::size_t{2});
    }

    void renameCarriesEntriesAndRemoveDropsOne()
    {
        HistoryStore store(path());
        store.committed(entry(1, "old", {ValueField::Status, 1}, 0, 5));
        const auto drop = store.committed(entry(2, "old", {ValueField::Status, 1}, 5, 6));
        store.committed(entry(3, "other", {ValueField::Status, 1}, 0, 1));
        store.renamed("old", "new");
        QVERIFY(store.entriesOf("old").empty());
        QCOMPARE(store.entriesOf("new").size(), std::size_t{2});
        store.remove(static_cast<std::int64_t>(drop));
        const auto left = store.entriesOf("new");
        QCOMPARE(left.size(), std::size_t{1});
        QCOMPARE(left[0].value.newValue, 5);
        QCOMPARE(store.entriesOf("other").size(), std::size_t{1});
    }

    void schemaCarriesItsVersion()
    {
        {
            HistoryStore store(path());
            QVERIFY(store.available());
        }
        RawDb raw(path());
        QCOMPARE(raw.value("PRAGMA user_version"), HistoryStore::SCHEMA_VERSION);
        QCOMPARE(raw.value("SELECT count(*) FROM sqlite_master WHERE name = 'entries'"), 1LL);
    }

    // A file of the first version gains the window's index and keeps its entries.
    void fileOfTheFirstVersionIsMigrated()
    {
        {
            RawDb raw(path());
            QCOMPARE(
                raw.exec("CREATE TABLE entries (id INTEGER PRIMARY KEY, when_utc INTEGER NOT NULL,"
                         " name BLOB NOT NULL, section_id INTEGER NOT NULL, class INTEGER NOT NULL,"
                         " kind INTEGER NOT NULL, field INTEGER NOT NULL, old_value INTEGER NOT NULL,"
                         " new_value INTEGER NOT NULL, best INTEGER NOT NULL, withdrawn INTEGER NOT NULL DEFAULT 0);"
                         "CREATE INDEX entries_by_name ON entries(name, when_utc);"
                         "INSERT INTO entries VALUES (1, 100, CAST('A' AS BLOB), 0, 0, 1, 2, 500, 400, 1, 0);"
                         "INSERT INTO entries VALUES (2, 100, CAST('A' AS BLOB), 0, 0, 1, 3, 0, 300, 0, 0);"
                         "PRAGMA user_version = 1"),
                SQLITE_OK);
        }
        {
            HistoryStore store(path());
            const auto entries = store.entriesOf("A", ValueField::Ep1);
            QCOMPARE(keysOf(entries), (std::vector<std::int64_t>{2, 1})); // one second: the later entry first
            QCOMPARE(entries[1].value.newValue, 400);
            QVERIFY(entries[1].value.best);
        }
        RawDb raw(path());
        QCOMPARE(raw.value("PRAGMA user_version"), 2LL);
        QCOMPARE(raw.value("SELECT count(*) FROM sqlite_master WHERE name = 'entries_by_kind'"), 1LL);
    }

    void fileOfANewerProgramIsLeftAlone()
    {
        {
            RawDb raw(path());
            QCOMPARE(raw.exec("CREATE TABLE t(x); PRAGMA user_version = 9"), SQLITE_OK);
        }
        const auto before = readWholeFile(path());
        HistoryStore store(path());
        Reports reports;
        reports.attach(store);
        QCOMPARE(store.committed(entry(1, "A", {ValueField::Status, 0}, 0, 1)), std::uint64_t{0});
        QVERIFY(!store.available());
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(reports.messages[0].contains(QString::fromStdString(path())));
        QCOMPARE(readWholeFile(path()), before);
    }

    void outOfRangeValuesAreSkipped_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("name"); // the name the entry has after the change
        const QByteArray a("A");
        QTest::newRow("section ID") << "section_id = 10" << a;
        QTest::newRow("class") << "class = -1" << a;
        QTest::newRow("kind") << "kind = 3" << a;
        QTest::newRow("status index") << "field = 9" << a;
        QTest::newRow("stage of episode 2") << "kind = 2, field = 5" << a;
        QTest::newRow("negative time") << "kind = 1, new_value = -5" << a;
        QTest::newRow("beyond 32 bits") << "old_value = 5000000000" << a;
        QTest::newRow("text for a number") << "new_value = 'fast'" << a;
        QTest::newRow("best flag") << "best = 2" << a;
        QTest::newRow("name too long") << "name = zeroblob(20)" << QByteArray(20, '\0');
    }
    void outOfRangeValuesAreSkipped()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, name);
        HistoryStore store(path());
        store.committed(entry(1, "B", {ValueField::Status, 8}, 0, 1));
        const auto bad = store.committed(entry(2, "A", {ValueField::Status, 8}, 1, 2));
        RawDb raw(path());
        QCOMPARE(
            raw.exec("UPDATE entries SET " + change.toStdString() + " WHERE id = " + std::to_string(bad)), SQLITE_OK);
        QCOMPARE(raw.value("SELECT count(*) FROM entries"), 2LL);
        QVERIFY(store.entriesOf(name.toStdString()).empty());
        for (const auto kind : {ValueField::Status, ValueField::Ep1, ValueField::Ep2})
            QVERIFY(store.entriesOf(name.toStdString(), kind).empty());
        QCOMPARE(store.allEntries().size(), std::size_t{1});
    }

    // A long history: every row, in order, for either query.
    void longHistoryIsReadWholeAndInOrder()
    {
        HistoryStore store(path());
        QVERIFY(store.available());
        RawDb raw(path());
        raw.exec("BEGIN");
        for (int i = 0; i < 2500; ++i)
            raw.exec("INSERT INTO entries (when_utc, name, section_id, class, kind, field, old_value, new_value, best)"
                     " VALUES (" +
                std::to_string(1000 + i) + ", CAST('A' AS BLOB), 1, 2, " + std::to_string(1 + i % 2) + ", " +
                std::to_string(i % 4) + ", " + std::to_string(i) + ", " + std::to_string(i + 1) + ", " +
                std::to_string(i % 5 == 0) + ")");
        raw.exec("COMMIT");
        const auto all = store.entriesOf("A");
        QCOMPARE(all.size(), std::size_t{2500});
        for (const auto kind : {ValueField::Ep1, ValueField::Ep2}) {
            std::vector<HistoryEntry> expected;
            std::copy_if(all.begin(), all.end(), std::back_inserter(expected),
                [kind](const HistoryEntry& e) { return e.value.field.kind == kind; });
            const auto shown = store.entriesOf("A", kind);
            QCOMPARE(keysOf(shown), keysOf(expected));
            QVERIFY(std::equal(shown.begin(), shown.end(), expected.begin(), expected.end(),
                [](const HistoryEntry& a, const HistoryEntry& b) { return a.value == b.value; }));
        }
        QCOMPARE(all.front().value.whenUtc, 3499);
        QVERIFY(all.back().value == (ValueEntry{1000, "A", 1, 2, {ValueField::Ep1, 0}, 0, 1, true}));
        // Read again after another program added many more than the last reading
        // left room for.
        QCOMPARE(store.entriesOf("A", ValueField::Ep1).size(), std::size_t{1250});
        raw.exec("INSERT INTO entries (when_utc, name, section_id, class, kind, field, old_value, new_value, best)"
                 " SELECT when_utc + 5000, name, section_id, class, kind, field, old_value, new_value, best"
                 " FROM entries");
        const auto twice = store.entriesOf("A", ValueField::Ep1);
        QCOMPARE(twice.size(), std::size_t{2500});
        QCOMPARE(twice.front().value.whenUtc, 8498);
    }

    // A reading ahead gives what a reading gives, and never a stale one; its fault
    // is reported on the thread that takes it, as a reading's is.
    void readingAheadGivesWhatAReadingGives()
    {
        failingvfs::install();
        HistoryStore store(path(), {5000, failingvfs::NAME});
        Reports reports;
        std::thread::id reportedOn;
        store.setFaultReport([&](const std::string& m) {
            reportedOn = std::this_thread::get_id();
            reports.messages << QString::fromStdString(m);
        });
        for (int i = 0; i < 50; ++i)
            store.committed(entry(i, i % 3 ? "A" : "B", {ValueField::Ep1, i % 4}, i, i + 1, i % 7 == 0));
        store.committed(entry(60, "A", {ValueField::Status, 0}, 1, 2));
        const auto read = store.entriesOf("A", ValueField::Ep1);
        QCOMPARE(read.size(), std::size_t{33});
        const auto same = [](const std::vector<HistoryEntry>& a, const std::vector<HistoryEntry>& b) {
            return keysOf(a) == keysOf(b) &&
                std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const auto& x, const auto& y) { return x.value == y.value; });
        };
        store.readAhead("A", ValueField::Ep1);
        QVERIFY(same(store.entriesOf("A", ValueField::Ep1), read));
        // Another name or kind is read for itself, and the reading ahead is dropped.
        store.readAhead("A", ValueField::Ep1);
        QCOMPARE(store.entriesOf("B", ValueField::Ep1).size(), std::size_t{17});
        store.readAhead("A", ValueField::Ep1);
        QCOMPARE(store.entriesOf("A", ValueField::Status).size(), std::size_t{1});
        // A change after the reading started is seen.
        store.readAhead("A", ValueField::Ep1);
        const auto added = store.committed(entry(70, "A", {ValueField::Ep1, 0}, 1, 0, true));
        const auto now = store.entriesOf("A", ValueField::Ep1);
        QCOMPARE(now.size(), read.size() + 1);
        QCOMPARE(now.front().key, std::int64_t(added));
        // A change by another program makes the store read the file again, which fails.
        RawDb(path()).exec("DELETE FROM entries WHERE id = " + std::to_string(added));
        failingvfs::unreadable = true;
        store.readAhead("A", ValueField::Ep1);
        const auto failed = store.entriesOf("A", ValueField::Ep1);
        failingvfs::unreadable = false;
        QVERIFY(failed.empty());
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(reports.messages[0].contains(QString::fromStdString("入出力エラー")));
        QCOMPARE(reportedOn, std::this_thread::get_id());
        QVERIFY(same(store.entriesOf("A", ValueField::Ep1), read));
    }

    void readOnlyFolderCostsOnlyTheHistory()
    {
        const std::string folder = dir_.filePath("locked").toStdString();
        QVERIFY(::mkdir(folder.c_str(), 0555) == 0);
        ::chmod(dir_.path().toLocal8Bit().constData(), 0755);
        // Root passes every permission: the folder is tried as an ordinary user.
        const bool root = ::geteuid() == 0;
        if (root)
            QVERIFY(::seteuid(65534) == 0);
        HistoryStore store(folder + "/history.sqlite");
        Reports reports;
        reports.attach(store);
        const auto key = store.committed(entry(1, "A", {ValueField::Status, 0}, 0, 1));
        const bool available = store.available();
        if (root)
            QVERIFY(::seteuid(0) == 0);
        QCOMPARE(key, std::uint64_t{0});
        QVERIFY(!available);
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(reports.messages[0].contains(QString::fromStdString(folder + "/history.sqlite")));
        QCOMPARE(QString::fromStdString(store.fault()), reports.messages[0]);
    }

    void damagedFileIsMovedAsideAndANewOneStarted()
    {
        const std::string garbage(9000, 'x');
        writeFileAtomically(path(), garbage);
        writeFileAtomically(
            path() + ".damaged-" + QDate::currentDate().toString("yyyy-MM-dd").toStdString(), "earlier");
        HistoryStore store(path());
        Reports reports;
        reports.attach(store);
        QVERIFY(store.committed(entry(1, "A", {ValueField::Status, 0}, 0, 1)) != 0);
        const std::string aside =
            path() + ".damaged-" + QDate::currentDate().toString("yyyy-MM-dd").toStdString() + "-2";
        QCOMPARE(readWholeFile(aside), std::optional<std::string>(garbage));
        QCOMPARE(readWholeFile(path() + ".damaged-" + QDate::currentDate().toString("yyyy-MM-dd").toStdString()),
            std::optional<std::string>("earlier"));
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(reports.messages[0].contains(QString::fromStdString(aside)));
        QCOMPARE(store.entriesOf("A").size(), std::size_t{1});
    }

    void fileHeldByAnotherConnection()
    {
        HistoryStore store(path(), {200, {}});
        Reports reports;
        reports.attach(store);
        QVERIFY(store.committed(entry(1, "A", {ValueField::Status, 0}, 0, 1)) != 0);
        RawDb other(path());
        QCOMPARE(other.exec("BEGIN EXCLUSIVE; INSERT INTO entries (when_utc, name, section_id, class, kind, field,"
                            " old_value, new_value, best) VALUES (5, X'42', 0, 0, 0, 0, 0, 1, 0)"),
            SQLITE_OK);
        QCOMPARE(store.committed(entry(2, "A", {ValueField::Status, 0}, 1, 2)), std::uint64_t{0});
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(reports.messages[0].contains(QString::fromStdString("使用中")));
        QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
        // Both copies record once the other has let go, and neither loses an entry.
        QVERIFY(store.committed(entry(3, "A", {ValueField::Status, 0}, 1, 3)) != 0);
        QCOMPARE(store.entriesOf("A").size(), std::size_t{2});
        QCOMPARE(store.entriesOf("B").size(), std::size_t{1});
        QCOMPARE(reports.messages.size(), 1);
    }

    void fullDiskDropsTheEntryAndKeepsTheRest()
    {
        failingvfs::install();
        HistoryStore store(path(), {5000, failingvfs::NAME});
        Reports reports;
        reports.attach(store);
        const auto kept = store.committed(entry(1, "A", {ValueField::Ep1, 0}, 0, 100));
        QVERIFY(kept != 0);
        failingvfs::full = true;
        const auto lost = store.committed(entry(2, "A", {ValueField::Ep1, 0}, 100, 90));
        store.committed(entry(3, "A", {ValueField::Ep1, 0}, 100, 80));
        failingvfs::full = false;
        QCOMPARE(lost, std::uint64_t{0});
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(reports.messages[0].contains(QString::fromStdString("空き")));
        QVERIFY(reports.messages[0].contains(QString::fromStdString(path())));
        QVERIFY(store.committed(entry(4, "A", {ValueField::Ep1, 0}, 100, 70)) != 0);
        HistoryStore reread(path());
        QCOMPARE(keysOf(reread.entriesOf("A")).size(), std::size_t{2});
        RawDb raw(path());
        QCOMPARE(raw.value("SELECT count(*) FROM entries WHERE new_value IN (90, 80)"), 0LL);
    }
};

QTEST_GUILESS_MAIN(TstHistoryStore)
#include "tst_historystore.moc"
