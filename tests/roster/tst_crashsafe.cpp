// A save or an export killed at any moment leaves the old file or the new one,
// byte for byte, never anything else; the next write to it clears what the
// killed one left beside it.

#include "interchange/exports.h"
#include "platform/atomicfile.h"
#include "roster/rosterfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <ctime>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using namespace qvr;

namespace {

// Rosters large enough that a write goes out in several chunks, so that kills
// land between them as well as in the sync and the rename.
constexpr int OLD_CHARACTERS = 1000;
constexpr int NEW_CHARACTERS = 3000;

Roster largeRoster(int characters, char fill)
{
    Roster r = makeRoster(1);
    for (int i = 0; i < characters; ++i) {
        RecordPtr rec = makeRecord();
        rec->setName(std::string(10, fill));
        rec->memo.assign(200, fill);
        rec->ep1time[0] = i;
        r.push_back(std::move(rec));
    }
    return r;
}

using Writer = void (*)(const std::string& path, const Roster& roster);

void saveWriter(const std::string& path, const Roster& roster) { saveRoster(path, roster); }
void csvWriter(const std::string& path, const Roster& roster) { exportCsv(path, roster); }

// Runs the writer in a child and kills it after a random delay within the
// writer's own duration; returns false when the file is neither old nor new.
bool killedWriteLeavesOldOrNew(Writer writer, const std::string& path, const Roster& next, const std::string& oldBytes,
    const std::string& newBytes, int trials)
{
    if (newBytes.size() < 3 * AtomicFileWriter::CHUNK) {
        qWarning("the new file (%zu bytes) goes out in fewer than three chunks", newBytes.size());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    pid_t probe = fork();
    if (probe == 0) {
        writer(path + ".probe", next);
        _exit(0);
    }
    int status = 0;
    waitpid(probe, &status, 0);
    const qint64 spanUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
    ::unlink((path + ".probe").c_str());

    QRandomGenerator rng(4242);
    for (int t = 0; t < trials; ++t) {
        writeFileAtomically(path, oldBytes);
        pid_t child = fork();
        if (child == 0) {
            writer(path, next);
            _exit(0);
        }
        ::usleep(static_cast<useconds_t>(rng.bounded(static_cast<quint32>(spanUs))));
        ::kill(child, SIGKILL);
        waitpid(child, &status, 0);
        auto now = readWholeFile(path);
        if (!now || (*now != oldBytes && *now != newBytes)) {
            qWarning("trial %d: file is %zu bytes, neither old (%zu) nor new (%zu)", t, now ? now->size() : 0,
                oldBytes.size(), newBytes.size());
            return false;
        }
    }
    return true;
}

// The hidden temporaries of one target in its folder.
QStringList temporariesOf(const QString& folder, const QString& target)
{
    return QDir(folder).entryList({"." + target + ".qvrutl-*"}, QDir::Files | QDir::Hidden);
}

pid_t deadPid()
{
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

} // namespace

class TstCrashSafe : public QObject {
    Q_OBJECT
private slots:
    void killedSave()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("roster.pd3").toStdString();
        const Roster older = largeRoster(OLD_CHARACTERS, 'o');
        const Roster newer = largeRoster(NEW_CHARACTERS, 'n');
        QVERIFY(
            killedWriteLeavesOldOrNew(saveWriter, path, newer, serializeRoster(older), serializeRoster(newer), 200));
    }

    void killedExport()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("roster.cvs").toStdString();
        const Roster newer = largeRoster(NEW_CHARACTERS, 'n');
        const std::string oldBytes = joinLines(csvLines(largeRoster(OLD_CHARACTERS, 'o')));
        QVERIFY(killedWriteLeavesOldOrNew(csvWriter, path, newer, oldBytes, joinLines(csvLines(newer)), 200));
    }

    // Saves killed half-way until one has left its temporary; the next save
    // to the same target leaves none.
    void killedSaveLitterGoesWithTheNextSave()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("roster.pd3").toStdString();
        const Roster newer = largeRoster(6000, 'n');
        saveRoster(path, largeRoster(10, 'o'));
        QRandomGenerator rng(77);
        QStringList left;
        for (int t = 0; t < 100 && left.isEmpty(); ++t) {
            pid_t child = fork();
            if (child == 0) {
                saveRoster(path, newer);
                _exit(0);
            }
            ::usleep(static_cast<useconds_t>(rng.bounded(2000u, 20000u)));
            ::kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
            left = temporariesOf(dir.path(), "roster.pd3");
        }
        QVERIFY2(!left.isEmpty(), "no killed save left a temporary");
        saveRoster(path, newer);
        QCOMPARE(temporariesOf(dir.path(), "roster.pd3"), QStringList());
        QCOMPARE(*readWholeFile(path), serializeRoster(newer));
    }

    void staleTemporaries_data()
    {
        QTest::addColumn<QString>("name"); // %1: a pid
        QTest::addColumn<QString>("writer"); // "dead", "alive"
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::newRow("writer gone") << ".t.pd3.qvrutl-%1-abcdef"
                                     << "dead" << 0 << true;
        QTest::newRow("older than a minute") << ".t.pd3.qvrutl-%1-abcdef"
                                             << "alive" << 120 << true;
        QTest::newRow("writer alive, fresh") << ".t.pd3.qvrutl-%1-abcdef"
                                             << "alive" << 0 << false;
        QTest::newRow("another target's") << ".u.pd3.qvrutl-%1-abcdef"
                                          << "dead" << 120 << false;
        QTest::newRow("target's name continues") << ".t.pd3.x.qvrutl-%1-abcdef"
                                                 << "dead" << 120 << false;
        QTest::newRow("not our shape") << ".t.pd3.qvrutl-%1"
                                       << "dead" << 120 << false;
        QTest::newRow("no pid") << ".t.pd3.qvrutl--abcdef"
                                << "dead" << 120 << false;
        QTest::newRow("the user's own file") << "t.pd3.%1"
                                             << "dead" << 120 << false;
    }
    void staleTemporaries()
    {
        QFETCH(QString, name);
        QFETCH(QString, writer);
        QFETCH(int, ageSeconds);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const pid_t pid = writer == "dead" ? deadPid() : ::getpid();
        const QString temp = dir.filePath(name.arg(pid));
        QFile f(temp);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("half");
        f.close();
        const time_t then = ::time(nullptr) - ageSeconds;
        const utimbuf times{then, then};
        QCOMPARE(::utime(temp.toLocal8Bit().constData(), &times), 0);
        saveRoster(dir.filePath("t.pd3").toStdString(), makeRoster(3));
        QCOMPARE(!QFile::exists(temp), removed);
        QCOMPARE(temporariesOf(dir.path(), "t.pd3").size(), removed || !name.startsWith(".t.pd3.qvrutl-") ? 0 : 1);
    }
};

QTEST_APPLESS_MAIN(TstCrashSafe)
#include "tst_crashsafe.moc"
