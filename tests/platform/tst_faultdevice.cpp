// Every file this program writes and reads, on a device that fails: full from the
// start or half-way, a file size limit, a sync that fails, a read that fails. The
// device stands in for the system's calls (ScopedFileIo), so these run anywhere and
// without root; tst_diskfaults meets the same faults on real devices.

#include "common/failure.h"
#include "common/writetargets.h"
#include "interchange/ver2import.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/fileio.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <unistd.h>

using namespace qvr;

namespace {

enum class Fault { FullAtOnce, FullHalfWay, SizeLimit, SyncFails };

const QByteArray OLD_BYTES = "the file as it was";
const MainSettings SETTINGS{"alarm.wav", "last.pd3", 1};

// A device that takes `room` bytes and then fails with `error`, or whose sync fails.
FileIo failingDevice(Fault fault)
{
    FileIo io;
    if (fault == Fault::SyncFails) {
        io.fsync = [](int) {
            errno = EIO;
            return -1;
        };
        return io;
    }
    const std::size_t room = fault == Fault::FullHalfWay ? 150 : 0; // half-way through the smallest file
    const int error = fault == Fault::SizeLimit ? EFBIG : ENOSPC;
    io.write = [room, error, used = std::size_t{0}](int fd, const void* buf, std::size_t n) mutable -> ssize_t {
        const std::size_t take = std::min(n, room - used);
        if (take == 0) {
            errno = error;
            return -1;
        }
        used += take;
        return ::write(fd, buf, take);
    };
    return io;
}

// A device whose reads fail once `good` bytes have been read.
FileIo readsFailingAfter(std::size_t good)
{
    FileIo io;
    io.read = [good, used = std::size_t{0}](int fd, void* buf, std::size_t n) mutable -> ssize_t {
        const std::size_t take = std::min(n, good - used);
        if (take == 0) {
            errno = EIO;
            return -1;
        }
        const ssize_t got = ::read(fd, buf, take);
        if (got > 0)
            used += static_cast<std::size_t>(got);
        return got;
    };
    return io;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstFaultDevice : public QObject {
    Q_OBJECT
private slots:
    void writers_data()
    {
        QTest::addColumn<Target>("target");
        QTest::addColumn<Fault>("fault");
        const std::pair<const char*, Fault> faults[] = {{"full at once", Fault::FullAtOnce},
            {"full half-way", Fault::FullHalfWay}, {"size limit", Fault::SizeLimit}, {"sync fails", Fault::SyncFails}};
        for (auto [tname, target] : WRITE_TARGETS)
            for (auto [fname, fault] : faults)
                QTest::addRow("%s, %s", tname, fname) << target << fault;
    }
    void writers()
    {
        QFETCH(Target, target);
        QFETCH(Fault, fault);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("target.out"));
        const QString head = dir.filePath(QStringLiteral("defhead.htm"));
        {
            QFile h(head);
            QVERIFY(h.open(QIODevice::WriteOnly));
            h.write("<html>\r\n");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(OLD_BYTES);
        }
        std::string message;
        {
            ScopedFileIo device(failingDevice(fault));
            try {
                writeTarget(target, path.toStdString(), head.toStdString(), SETTINGS);
            } catch (const Error& e) {
                message = e.what();
            }
        }
        const std::string expected =
            target == Target::Settings ? errCannotWriteSettings(path.toStdString()).what() : errWrite().what();
        QCOMPARE(message, expected);
        if (target == Target::Settings && fault == Fault::FullHalfWay) {
            // Each key is its own atomic replacement: the keys written before the
            // device filled stay, whole, and nothing is torn.
            const QByteArray now = bytesOf(path);
            QVERIFY(now.startsWith(OLD_BYTES));
            QVERIFY(now.endsWith("\r\n"));
        } else {
            QCOMPARE(bytesOf(path), OLD_BYTES);
        }
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, (QStringList{"defhead.htm", "target.out"}));

        // The same write on the system's device goes through.
        writeTarget(target, path.toStdString(), head.toStdString(), SETTINGS);
        QVERIFY(bytesOf(path) != OLD_BYTES);
    }

    void failingReads_data()
    {
        QTest::addColumn<int>("good");
        QTest::newRow("at once") << 0;
        QTest::newRow("half-way") << 50000; // within both files
    }
    // A read that fails is a file that cannot be read: nothing of it is taken.
    void failingReads()
    {
        QFETCH(int, good);
        QTemporaryDir dir;
        const std::string rosterPath = dir.filePath(QStringLiteral("a.pd3")).toStdString();
        saveRoster(rosterPath, largeRoster());
        const std::string ver2Path = dir.filePath(QStringLiteral("b.pd2")).toStdString();
        {
            QFile f(QString::fromStdString(ver2Path));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray ver2(static_cast<qsizetype>(VER2_SLOT_SIZE * VER2_SLOT_COUNT), '\0');
            for (std::size_t s = 0; s < VER2_SLOT_COUNT; ++s)
                ver2[static_cast<qsizetype>(s * VER2_SLOT_SIZE)] = 'A'; // a name in every slot
            f.write(ver2);
        }
        Roster loaded = makeRoster(3);
        Roster imported = makeRoster(1);
        {
            ScopedFileIo device(readsFailingAfter(static_cast<std::size_t>(good)));
            QVERIFY(failsAs(Error::Kind::CannotOpen, [&] { loadRoster(rosterPath, loaded); }));
            QVERIFY(failsAs(Error::Kind::CannotOpen, [&] { importVer2(ver2Path, imported); }));
            QVERIFY(!readWholeFile(rosterPath));
        }
        QCOMPARE(loaded.size(), std::size_t(3));
        QCOMPARE(imported.size(), std::size_t(1));

        // Without the fault the same files read whole.
        loadRoster(rosterPath, loaded);
        QCOMPARE(loaded.size(), largeRoster().size());
        importVer2(ver2Path, imported);
        QCOMPARE(imported.size(), std::size_t(1) + VER2_SLOT_COUNT);
    }

    void headTemplateThatCannotBeReadIsReported()
    {
        QTemporaryDir dir;
        const std::string head = dir.filePath(QStringLiteral("defhead.htm")).toStdString();
        const std::string out = dir.filePath(QStringLiteral("page.htm")).toStdString();
        {
            QFile f(QString::fromStdString(head));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<html>\r\n");
        }
        std::string message;
        {
            ScopedFileIo device(readsFailingAfter(0));
            try {
                exportHtml(out, largeRoster(), ExportOptions{}, head);
            } catch (const Error& e) {
                message = e.what();
            }
        }
        QCOMPARE(message, std::string(errCannotOpen(head).what()));
        QVERIFY(!QFile::exists(QString::fromStdString(out)));
    }
};

QTEST_GUILESS_MAIN(TstFaultDevice)
#include "tst_faultdevice.moc"
