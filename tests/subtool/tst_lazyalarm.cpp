// The program maps the sound output's libraries only when the first alarm sounds,
// and an alarm without the sound module is still heard.
#include "platform/alarm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool multimediaMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
}

class CountingLazyPlayer : public qvr::LazySoundAlarmPlayer {
public:
    using LazySoundAlarmPlayer::LazySoundAlarmPlayer;
    int alerts = 0;

protected:
    void alert() override { ++alerts; }
};

void touch(const QString& path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TstLazyAlarm : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void moduleLoadsAtTheFirstAlarm()
    {
        QVERIFY2(!multimediaMapped(), "the windows' library must not bring in Qt Multimedia");
        CountingLazyPlayer player(QVR_SOUND_MODULE);
        QVERIFY(!player.loaded());
        QVERIFY(!multimediaMapped());
        player.play(dir.filePath("missing.wav").toStdString()); // the module's player alerts for it
        QVERIFY(player.loaded());
        QVERIFY(multimediaMapped());
        QCOMPARE(player.alerts, 0);
    }

    void withoutTheModuleEveryAlarmAlerts()
    {
        CountingLazyPlayer player(dir.filePath("lib/qvrutl/none.so").toStdString());
        player.play("default.wav");
        player.play("default.wav");
        QVERIFY(!player.loaded());
        QCOMPARE(player.alerts, 2);
    }

    void modulePlace()
    {
        const QString portable = dir.filePath("portable");
        const QString installed = dir.filePath("usr");
        touch(portable + "/lib/qvrutl/qvrsound.so");
        touch(installed + "/lib/qvrutl/qvrsound.so");
        QVERIFY(QDir().mkpath(installed + "/bin"));
        QCOMPARE(qvr::soundModulePathFor(portable), portable + "/lib/qvrutl/qvrsound.so");
        QCOMPARE(qvr::soundModulePathFor(installed + "/bin"), installed + "/lib/qvrutl/qvrsound.so");
        // Neither: the place beside the program, so that the warning names it.
        QCOMPARE(qvr::soundModulePathFor(dir.filePath("empty")), dir.filePath("empty") + "/lib/qvrutl/qvrsound.so");
    }
};

QTEST_MAIN(TstLazyAlarm)
#include "tst_lazyalarm.moc"
