// Recovery copies: where they go, their names, and how many are kept.

#include "common/failure.h"
#include "platform/atomicfile.h"
#include "roster/recovery.h"
#include "roster/rosterfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace qvr;

namespace {

// 2026-12-09 14:03:22 UTC.
constexpr std::time_t WHEN = 1796825002;

Roster rosterNamed(const char* name)
{
    Roster r = makeRoster(3);
    r[1]->setName(name);
    r[2]->memo = "memo\r\nline";
    return r;
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

void setEnv(const char* name, const QByteArray& value)
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

} // namespace

class TstRecovery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void folder_data()
    {
        QTest::addColumn<QByteArray>("stateHome"); // null: unset
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QString>("folder");
        QTest::newRow("state home") << QByteArray("/st") << QByteArray("/h") << "/st/qvrutl/recovery";
        QTest::newRow("unset") << QByteArray() << QByteArray("/h") << "/h/.local/state/qvrutl/recovery";
        QTest::newRow("empty") << QByteArray("") << QByteArray("/h") << "/h/.local/state/qvrutl/recovery";
        QTest::newRow("relative is ignored")
            << QByteArray("st") << QByteArray("/h") << "/h/.local/state/qvrutl/recovery";
        QTest::newRow("no home") << QByteArray() << QByteArray() << "";
    }
    void folder()
    {
        QFETCH(QByteArray, stateHome);
        QFETCH(QByteArray, home);
        QFETCH(QString, folder);
        // Null when unset, so that setEnv puts back exactly what was there.
        const auto saved = [](const char* name) {
            return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray();
        };
        const QByteArray oldState = saved("XDG_STATE_HOME"), oldHome = saved("HOME");
        setEnv("XDG_STATE_HOME", stateHome);
        setEnv("HOME", home);
        const QString got = QString::fromStdString(recoveryFolder());
        setEnv("XDG_STATE_HOME", oldState);
        setEnv("HOME", oldHome);
        QCOMPARE(got, folder);
    }

    void copyHoldsTheRosterUnderItsTime()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("deep/er/recovery");
        const Roster roster = rosterNamed("Kept");
        const std::string path = writeRecoveryCopy(roster, folder.toStdString(), WHEN);
        QCOMPARE(QString::fromStdString(path), folder + "/2026-12-09_14-03-22.pd3");
        QCOMPARE(filesIn(folder), QStringList{"2026-12-09_14-03-22.pd3"});
        Roster back;
        loadRoster(path, back);
        QVERIFY(sameContent(back, roster));
    }

    // Two ends within one second: the first copy is not replaced.
    void sameSecondKeepsBoth()
    {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        const std::string first = writeRecoveryCopy(rosterNamed("First"), folder, WHEN);
        const std::string second = writeRecoveryCopy(rosterNamed("Second"), folder, WHEN);
        const std::string third = writeRecoveryCopy(rosterNamed("Third"), folder, WHEN);
        QCOMPARE(filesIn(dir.path()),
            (QStringList{"2026-12-09_14-03-22.pd3", "2026-12-09_14-03-22_2.pd3", "2026-12-09_14-03-22_3.pd3"}));
        QCOMPARE(*readWholeFile(first), serializeRoster(rosterNamed("First")));
        QCOMPARE(*readWholeFile(second), serializeRoster(rosterNamed("Second")));
        QCOMPARE(*readWholeFile(third), serializeRoster(rosterNamed("Third")));
    }

    void newestTwentyAreKept_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("removed");
        QStringList twenty;
        for (int i = 0; i < 20; ++i)
            twenty << QStringLiteral("2026-11-%1_08-00-00.pd3").arg(i + 1, 2, 10, QChar(u'0'));
        QTest::newRow("20 older") << twenty << QStringList{"2026-11-01_08-00-00.pd3"};
        QStringList clashes = twenty.mid(2);
        // "_10" sorts before "_2" by name but is the later copy.
        clashes << "2026-11-01_08-00-00_2.pd3"
                << "2026-11-01_08-00-00_10.pd3";
        QTest::newRow("numbered copies") << clashes << QStringList{"2026-11-01_08-00-00_2.pd3"};
        QStringList foreign = twenty.mid(1);
        foreign << "notes.txt"
                << "mine.pd3"
                << "2026-01-01_00-00-00.pd3.bak";
        QTest::newRow("other files stay") << foreign << QStringList{};
    }
    void newestTwentyAreKept()
    {
        QFETCH(QStringList, present);
        QFETCH(QStringList, removed);
        QTemporaryDir dir;
        for (const QString& name : present)
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        QVERIFY(!writeRecoveryCopy(rosterNamed("New"), dir.path().toStdString(), WHEN).empty());
        QStringList expected = present;
        for (const QString& name : removed)
            expected.removeOne(name);
        expected << "2026-12-09_14-03-22.pd3";
        expected.sort();
        QCOMPARE(filesIn(dir.path()), expected);
    }

    void unwritableFolderIsReported_data()
    {
        QTest::addColumn<QString>("folder"); // relative to a fresh folder holding the file "file"
        QTest::newRow("under a file") << "file/qvrutl/recovery";
        QTest::newRow("is a file") << "file";
        QTest::newRow("empty") << "";
    }
    void unwritableFolderIsReported()
    {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        const std::string target = folder.isEmpty() ? std::string() : dir.filePath(folder).toStdString();
        QVERIFY(failsAs(Error::Kind::CannotCreate, [&] { writeRecoveryCopy(rosterNamed("Lost"), target, WHEN); }));
        QCOMPARE(filesIn(dir.path()), QStringList{"file"});
        QCOMPARE(QFileInfo(dir.filePath("file")).size(), 0);
    }
};

QTEST_APPLESS_MAIN(TstRecovery)
#include "tst_recovery.moc"
