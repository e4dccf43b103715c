// What the roster document records in the history: values a user commits, when
// they change, with the best pass's verdict; renames carry the entries along.
// And a program killed while recording loses no entry whose commit returned.

#include "history/historystore.h"
#include "roster/rostersheet.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qvr;

namespace {

// A document of two named characters recording into a store.
struct Recorded {
    HistoryStore store;
    RosterSheet sheet{3};
    explicit Recorded(const std::string& path) : store(path)
    {
        sheet.setJournal(&store);
        sheet.selectRow(2);
        sheet.setName("Bob");
        sheet.setStageTime(Episode::One, 0, 200);
        sheet.selectRow(1);
        sheet.setName("Ann");
    }
};

// A second running copy of the program, forked before any file is open: records
// `count` entries under `name`, telling each returned key down `out`; halfway it
// tells HALFWAY and waits for a byte on `go`, so that the two copies' entries
// interleave however the machine schedules them.
constexpr std::int64_t HALFWAY = -1;

pid_t startCopy(
    const std::string& path, const char* name, std::int32_t count, const int (&outPipe)[2], const int (&goPipe)[2])
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    ::alarm(120); // a copy that hangs ends, and the parent sees its pipe close
    ::close(outPipe[0]);
    ::close(goPipe[1]); // so that the parent closing its end ends the wait
    const int out = outPipe[1], go = goPipe[0];
    HistoryStore store(path);
    for (std::int32_t i = 0; i < count; ++i) {
        char byte = 0;
        if (i == count / 2 && (::write(out, &HALFWAY, sizeof HALFWAY) != sizeof HALFWAY || ::read(go, &byte, 1) != 1))
            ::_exit(2);
        const auto key = static_cast<std::int64_t>(
            store.committed(ValueEntry{i, name, 0, 0, {ValueField::Ep1, i % EP1_STAGES}, i, i + 1, false}));
        if (key == 0 || ::write(out, &key, sizeof key) != sizeof key)
            ::_exit(1);
    }
    ::_exit(0);
}

// Reads the copy's keys until HALFWAY (true) or the end of its pipe (false).
bool readKeys(int from, std::vector<std::int64_t>& keys)
{
    std::int64_t key = 0;
    while (::read(from, &key, sizeof key) == sizeof key) {
        if (key == HALFWAY)
            return true;
        keys.push_back(key);
    }
    return false;
}

std::string integrityOf(const std::string& path)
{
    sqlite3* db = nullptr;
    std::string verdict = "cannot open";
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            verdict = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return verdict;
}

std::vector<std::int64_t> keysOf(const std::vector<HistoryEntry>& entries)
{
    std::vector<std::int64_t> keys;
    for (const auto& e : entries)
        keys.push_back(e.key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

} // namespace

class TstRecording : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::string path() const { return dir_.filePath("history.sqlite").toStdString(); }

private slots:
    void init()
    {
        for (const char* tail : {"", "-wal", "-shm"})
            QFile::remove(QString::fromStdString(path() + tail));
    }

    void commitsThatChangeAValueAreRecorded()
    {
        Recorded r(path());
        r.sheet.setStatus(0, 40);
        r.sheet.setStatus(0, 40); // the same value again
        r.sheet.setStageTime(Episode::One, 0, 300); // slower than Bob's
        r.sheet.setStageTime(Episode::Two, 4, 90);
        r.sheet.setStageTime(Episode::Two, 4, 90); // a best entered again keeps its mark
        r.sheet.setStageTime(Episode::One, 0, 150); // faster than Bob's
        const auto got = r.store.entriesOf("Ann");
        QCOMPARE(got.size(), std::size_t{4});
        const ValueField ep1c1{ValueField::Ep1, 0};
        QVERIFY(got[0].value.field == ep1c1 && got[0].value.oldValue == 300 && got[0].value.newValue == 150);
        QVERIFY(got[0].value.best);
        QVERIFY(got[1].value.field == (ValueField{ValueField::Ep2, 4}) && got[1].value.best);
        QVERIFY(got[2].value.field == ep1c1 && got[2].value.oldValue == 0 && !got[2].value.best);
        QVERIFY(got[3].value.field == (ValueField{ValueField::Status, 0}) && got[3].value.newValue == 40);
        QCOMPARE(got[3].value.id, r.sheet.currec->id);
        QVERIFY(std::abs(got[3].value.whenUtc - std::time(nullptr)) < 60);
    }

    void markedTimeIsRecordedUnmarked()
    {
        Recorded r(path());
        r.sheet.selectRow(2); // Bob's 200 carries the mark
        QVERIFY(r.sheet.currec->ep1time[0] < 0);
        r.sheet.setStageTime(Episode::One, 0, 210);
        const auto got = r.store.entriesOf("Bob");
        QCOMPARE(got.size(), std::size_t{2});
        QCOMPARE(got[0].value.oldValue, 200);
        QCOMPARE(got[0].value.newValue, 210);
    }

    void renameCarriesTheEntries()
    {
        Recorded r(path());
        r.sheet.selectRow(2);
        r.sheet.setName("Bobby");
        r.sheet.setName("Bobby");
        QVERIFY(r.store.entriesOf("Bob").empty());
        QCOMPARE(r.store.entriesOf("Bobby").size(), std::size_t{1});
    }

    // An undone commit leaves the history and a redone one comes back with its
    // first time; a rename undone takes the entries back to the old name.
    void undoAndRedoFollowTheCommit_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("status") << 0;
        QTest::newRow("time, a new best") << 1;
        QTest::newRow("name") << 2;
    }

    void undoAndRedoFollowTheCommit()
    {
        QFETCH(int, kind);
        Recorded r(path());
        r.sheet.selectRow(2);
        if (kind == 0)
            r.sheet.setStatus(3, 77);
        else if (kind == 1)
            r.sheet.setStageTime(Episode::One, 0, 100);
        else
            r.sheet.setName("Bobby");
        const char* const after = kind == 2 ? "Bobby" : "Bob";
        const auto done = r.store.entriesOf(after);
        QCOMPARE(done.size(), std::size_t{kind == 2 ? 1u : 2u});

        r.sheet.undo();
        QCOMPARE(r.store.entriesOf("Bob").size(), std::size_t{1});
        QVERIFY(r.store.entriesOf("Bobby").empty());

        r.sheet.redo();
        const auto redone = r.store.entriesOf(after);
        QCOMPARE(redone.size(), done.size());
        QCOMPARE(redone.front().value, done.front().value);
    }

    void loadsAndRowOperationsRecordNothing()
    {
        Recorded r(path());
        const std::size_t before = r.store.allEntries().size();
        r.sheet.appendRecord();
        r.sheet.deleteRecord(1);
        r.sheet.restoreRecord(1);
        r.sheet.setSectionId(4);
        r.sheet.setMemo("memo");
        r.sheet.recomputeBest();
        QCOMPARE(r.store.allEntries().size(), before);
    }

    // Children record entries and tell each returned key down a pipe; killed at
    // random moments, every key told is in the file, and the file opens.
    void killedWhileRecording()
    {
        QRandomGenerator rng(2212);
        std::vector<std::int64_t> told;
        // 40 kills at least, and on until the children have told 40 keys (a loaded
        // machine syncs slowly).
        for (int trial = 0; trial < 400 && (trial < 40 || told.size() < 40); ++trial) {
            int pipeEnds[2];
            QVERIFY(::pipe(pipeEnds) == 0);
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(pipeEnds[0]);
                HistoryStore store(path());
                for (std::int32_t i = 0;; ++i) {
                    const auto key = static_cast<std::int64_t>(
                        store.committed(ValueEntry{i, "K", 0, 0, {ValueField::Ep1, i % 9}, i, i + 1, false}));
                    if (key == 0 || ::write(pipeEnds[1], &key, sizeof key) != sizeof key)
                        ::_exit(1);
                }
            }
            ::close(pipeEnds[1]);
            ::usleep(rng.bounded(2000u, 60000u));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            std::int64_t key = 0;
            while (::read(pipeEnds[0], &key, sizeof key) == sizeof key)
                told.push_back(key);
            ::close(pipeEnds[0]);
        }
        QVERIFY2(told.size() >= 40, "the children recorded next to nothing");
        HistoryStore after(path());
        const auto keys = keysOf(after.entriesOf("K"));
        for (const auto k : told)
            QVERIFY2(std::binary_search(keys.begin(), keys.end(), k), qPrintable(QString::number(k)));
        QCOMPARE(integrityOf(path()), std::string("ok"));
    }

    // Two copies of the program started at once on a new file both record, their
    // entries interleaved, and neither loses one or damages the file.
    void twoCopiesRecordAtOnce()
    {
        constexpr std::int32_t EACH = 30;
        const char* const names[2] = {"Copy A", "Copy B"};
        int out[2][2], go[2][2];
        pid_t copies[2];
        for (int c = 0; c < 2; ++c) {
            QVERIFY(::pipe(out[c]) == 0 && ::pipe(go[c]) == 0);
            copies[c] = startCopy(path(), names[c], EACH, out[c], go[c]);
            ::close(out[c][1]);
            ::close(go[c][0]);
        }
        std::vector<std::int64_t> told[2];
        bool halfway = true;
        for (int c = 0; c < 2; ++c)
            halfway = readKeys(out[c][0], told[c]) && halfway;
        // Both halfway: go on; else closing the pipe ends the copy still waiting.
        bool going = halfway;
        for (int c = 0; c < 2; ++c) {
            going = going && ::write(go[c][1], "g", 1) == 1;
            ::close(go[c][1]);
        }
        for (int c = 0; c < 2; ++c) {
            readKeys(out[c][0], told[c]);
            ::close(out[c][0]);
            int status = -1;
            ::waitpid(copies[c], &status, 0);
            QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, names[c]);
        }
        QVERIFY(going);
        HistoryStore after(path());
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(told[c].size(), std::size_t{EACH});
            QCOMPARE(keysOf(after.entriesOf(names[c])), told[c]); // commit order is key order
        }
        // Each copy wrote half its entries before the other went on.
        QVERIFY(told[0].front() < told[1].back() && told[1].front() < told[0].back());
        QCOMPARE(integrityOf(path()), std::string("ok"));
    }
};

QTEST_GUILESS_MAIN(TstRecording)
#include "tst_recording.moc"
