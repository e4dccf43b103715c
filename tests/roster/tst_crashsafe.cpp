// A save or an export killed at any moment leaves the old file or the new one,
// byte for byte, never anything else.

#include "interchange/exports.h"
#include "platform/atomicfile.h"
#include "roster/rosterfile.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace qvr;

namespace {

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
bool killedWriteLeavesOldOrNew(Writer writer, const std::string& path, const Roster& next,
                               const std::string& oldBytes, const std::string& newBytes, int trials)
{
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
            qWarning("trial %d: file is %zu bytes, neither old (%zu) nor new (%zu)", t,
                     now ? now->size() : 0, oldBytes.size(), newBytes.size());
            return false;
        }
    }
    return true;
}

} // namespace

class TstCrashSafe : public QObject {
    Q_OBJECT
private slots:
    void killedSave()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("roster.pd3").toStdString();
        const Roster older = largeRoster(2000, 'o');
        const Roster newer = largeRoster(6000, 'n');
        QVERIFY(killedWriteLeavesOldOrNew(saveWriter, path, newer, serializeRoster(older),
                                          serializeRoster(newer), 200));
    }

    void killedExport()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("roster.cvs").toStdString();
        const Roster newer = largeRoster(6000, 'n');
        const std::string oldBytes = joinLines(csvLines(largeRoster(2000, 'o')));
        QVERIFY(killedWriteLeavesOldOrNew(csvWriter, path, newer, oldBytes, joinLines(csvLines(newer)), 200));
    }
};

QTEST_APPLESS_MAIN(TstCrashSafe)
#include "tst_crashsafe.moc"
