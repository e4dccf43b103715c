// Every file this program writes, written onto a full device, past a file size
// limit and into a folder it may not write: the error is raised, the file that was
// there keeps its bytes, and no temporary is left beside it.

#include "common/writetargets.h"
#include "platform/atomicfile.h"
#include "platform/error.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qvr;

namespace {

enum class Fault { FullDevice, SizeLimit, ReadOnlyFolder };

const char OLD_BYTES[] = "the file as it was";
constexpr int CANNOT_SET_UP = 77;
const MainSettings SETTINGS{"alarm.wav", std::string(300, 'p') + ".pd3", 1};

std::string expectedError(Target target, Fault fault, const std::string& path)
{
    if (target == Target::Settings)
        return errCannotWriteSettings(path).what();
    return fault == Fault::ReadOnlyFolder ? errCannotCreate(path).what() : errWrite().what();
}

// A tmpfs of its own, in a mount namespace of its own so that nothing outlives
// the child; filled to the last block.
bool makeFullDevice(const std::string& folder)
{
    if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0)
        return false;
    return true;
}

void fillDevice(const std::string& folder)
{
    int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string block(4096, 'f');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) { }
    // The last partial block too.
    while (fd >= 0 && ::write(fd, block.data(), 1) > 0) { }
    ::close(fd);
}

bool dropToUnprivileged()
{
    if (::geteuid() != 0)
        return true;
    // Root writes anywhere: become nobody to meet the folder's permissions.
    return ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TstDiskFaults : public QObject {
    Q_OBJECT
private slots:
    void writeFailsAndKeepsTheOldFile_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Target>("target");
        const std::pair<const char*, Fault> faults[] = {{"full device", Fault::FullDevice},
            {"size limit", Fault::SizeLimit}, {"read-only folder", Fault::ReadOnlyFolder}};
        for (auto [faultName, fault] : faults)
            for (auto [targetName, target] : WRITE_TARGETS)
                QTest::addRow("%s, %s", faultName, targetName) << fault << target;
    }

    void writeFailsAndKeepsTheOldFile()
    {
        QFETCH(Fault, fault);
        QFETCH(Target, target);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QFile::setPermissions(dir.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                QFileDevice::ExeOther));
        const QString folder = dir.filePath("out");
        QVERIFY(QDir().mkdir(folder));
        const std::string head = dir.filePath("head.htm").toStdString();
        writeFileAtomically(head, "<html>\r\n<body>\r\n");
        ::chmod(head.c_str(), 0644);
        const std::string path = (folder + "/target").toStdString();

        int report[2];
        QCOMPARE(::pipe(report), 0);
        pid_t child = ::fork();
        if (child == 0) {
            ::close(report[0]);
            bool ready = true;
            if (fault == Fault::FullDevice)
                ready = makeFullDevice(folder.toStdString());
            if (ready)
                ready = ::mkdir(folder.toStdString().c_str(), 0777) == 0 || errno == EEXIST;
            int fd = ready ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666) : -1;
            ready = fd >= 0 && ::write(fd, OLD_BYTES, sizeof OLD_BYTES - 1) == sizeof OLD_BYTES - 1;
            ::close(fd);
            ::chmod(path.c_str(), 0666); // the file itself may be replaced; only its folder refuses
            if (ready && fault == Fault::FullDevice)
                fillDevice(folder.toStdString());
            if (ready && fault == Fault::SizeLimit) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{16, 16};
                ready = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
            }
            if (ready && fault == Fault::ReadOnlyFolder)
                ready = ::chmod(folder.toStdString().c_str(), 0555) == 0 && dropToUnprivileged();
            if (!ready)
                _exit(CANNOT_SET_UP);

            std::string outcome = "no error raised";
            try {
                writeTarget(target, path, head, SETTINGS);
            } catch (const Error& e) {
                outcome = e.what();
            }
            // The device may vanish with the child: judge it here.
            std::string kept = readWholeFile(path).value_or("(unreadable)");
            std::string line = outcome + "\n" + kept + "\n" + entries(folder).join(',').toStdString() + "\n";
            if (::write(report[1], line.data(), line.size()) < 0)
                _exit(2);
            _exit(0);
        }
        ::close(report[1]);
        std::string got;
        char buf[4096];
        for (ssize_t n; (n = ::read(report[0], buf, sizeof buf)) > 0;)
            got.append(buf, static_cast<std::size_t>(n));
        ::close(report[0]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == CANNOT_SET_UP)
            QSKIP("this system does not let the test make that fault");
        QCOMPARE(WEXITSTATUS(status), 0);

        const QStringList lines = QString::fromStdString(got).split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QString::fromStdString(expectedError(target, fault, path)));
        QCOMPARE(lines[1], QString::fromLatin1(OLD_BYTES));
        QCOMPARE(lines[2], fault == Fault::FullDevice ? QStringLiteral("filler,target") : QStringLiteral("target"));
        ::chmod(folder.toStdString().c_str(), 0755);
    }
};

QTEST_APPLESS_MAIN(TstDiskFaults)
#include "tst_diskfaults.moc"
