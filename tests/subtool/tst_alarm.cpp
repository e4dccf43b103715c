// The real alarm player on whatever sound output the machine has (often none):
// play() returns at once, and whatever cannot sound gives exactly one default alert.
#include "platform/alarm.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

class CountingPlayer : public qvr::SoundAlarmPlayer {
public:
    int alerts = 0;

protected:
    void alert() override { ++alerts; }
};

bool noOutput() { return QMediaDevices::audioOutputs().isEmpty(); }

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// A RIFF wave of the given format tag with `data` as its samples.
QByteArray wave(quint16 tag, const QByteArray& data)
{
    QByteArray fmt(16, '\0');
    qToLittleEndian<quint16>(tag, fmt.data());
    qToLittleEndian<quint16>(1, fmt.data() + 2); // channels
    qToLittleEndian<quint32>(8000, fmt.data() + 4); // rate
    qToLittleEndian<quint32>(16000, fmt.data() + 8); // bytes per second
    qToLittleEndian<quint16>(2, fmt.data() + 12); // block
    qToLittleEndian<quint16>(16, fmt.data() + 14); // bits
    const QByteArray body =
        "WAVE" + QByteArray("fmt ") + le32(16) + fmt + "data" + le32(static_cast<quint32>(data.size())) + data;
    return "RIFF" + le32(static_cast<quint32>(body.size())) + body;
}

} // namespace

class TstAlarm : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString beep;

    QString file(const char* name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QFile made(qEnvironmentVariable("TESTDATA") + "/subtool/beep.wav"); // made with sox
        QVERIFY(made.open(QIODevice::ReadOnly));
        beep = file("beep.wav", made.readAll());
        qInfo("audio outputs: %lld", static_cast<long long>(QMediaDevices::audioOutputs().size()));
    }

    void locate()
    {
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString bare = qvr::SoundAlarmPlayer::locate("beep.wav");
        const QString none = qvr::SoundAlarmPlayer::locate("missing.wav");
        QVERIFY(QDir::setCurrent(here));
        QCOMPARE(bare, beep);
        QVERIFY(none.isEmpty());
        QCOMPARE(qvr::SoundAlarmPlayer::locate(beep.toStdString()), beep);
        QVERIFY(qvr::SoundAlarmPlayer::locate(dir.path().toStdString()).isEmpty());
        QVERIFY(qvr::SoundAlarmPlayer::locate("").isEmpty());
    }

    void completeWave_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");
        const QByteArray samples(400, '\x10');
        QFile made(beep);
        QVERIFY(made.open(QIODevice::ReadOnly));
        const QByteArray sox = made.readAll();
        QTest::newRow("made by sox") << sox << true;
        QTest::newRow("pcm") << wave(1, samples) << true;
        QTest::newRow("odd chunk before data")
            << wave(1, samples).insert(36, "LIST" + le32(3) + QByteArray("abc\0", 4)) << true;
        QTest::newRow("header only") << sox.left(44) << false;
        QTest::newRow("cut in the data") << sox.chopped(1) << false;
        QTest::newRow("no samples") << wave(1, {}) << false;
        QTest::newRow("no format chunk") << wave(1, samples).remove(12, 24) << false;
        QTest::newRow("short") << QByteArray("RIFF") << false;
        QTest::newRow("text") << QByteArray("not a wave file\n") << false;
        QTest::newRow("chunk past the end") << QByteArray("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24) << false;
    }
    void completeWave()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, complete);
        QCOMPARE(qvr::SoundAlarmPlayer::isCompleteWave(file("probe.wav", bytes)), complete);
    }

    void play_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("atOnce"); // alerts when play() returns
        QTest::addColumn<int>("alerts"); // alerts once the file has loaded
        const int perWave = noOutput() ? 1 : 0;
        QTest::newRow("wave") << beep << 0 << perWave;
        QTest::newRow("missing") << dir.filePath("missing.wav") << 1 << 1;
        QTest::newRow("header only") << file("cut.wav", wave(1, QByteArray(400, '\x10')).left(44)) << 1 << 1;
        QTest::newRow("decoder refuses") << file("adpcm.wav", wave(2, QByteArray(400, '\x10'))) << 0 << 1;
    }
    void play()
    {
        QFETCH(QString, path);
        QFETCH(int, atOnce);
        QFETCH(int, alerts);
        CountingPlayer player;
        QElapsedTimer clock;
        clock.start();
        player.play(path.toStdString());
        QVERIFY2(clock.elapsed() < 250, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(player.alerts, atOnce);
        QTRY_COMPARE_WITH_TIMEOUT(player.alerts, alerts, 2000);
        QTest::qWait(300); // and no second alert
        QCOMPARE(player.alerts, alerts);
    }

    void newAlarmReplacesPending()
    {
        const int perWave = noOutput() ? 1 : 0;
        const QString refused = file("refused.wav", wave(2, QByteArray(400, '\x10')));
        {
            CountingPlayer player;
            player.play(refused.toStdString());
            player.play(beep.toStdString());
            QTest::qWait(500);
            QCOMPARE(player.alerts, perWave); // the superseded file gives no alert
            player.play(beep.toStdString()); // loaded already: settles at once
            QCOMPARE(player.alerts, 2 * perWave);
            player.play(refused.toStdString());
        } // destroyed while loading: nothing may fire afterwards
        QTest::qWait(300);
    }

    void mendedFileLoadsAfresh()
    {
        if (noOutput())
            QSKIP("without an audio output a good file alerts like a bad one");
        const QString path = file("mended.wav", wave(2, QByteArray(400, '\x10')));
        CountingPlayer player;
        player.play(path.toStdString());
        QTRY_COMPARE_WITH_TIMEOUT(player.alerts, 1, 2000);
        QFile::remove(path);
        QVERIFY(QFile::copy(beep, path));
        player.play(path.toStdString());
        QTest::qWait(500);
        QCOMPARE(player.alerts, 1);
    }
};

QTEST_MAIN(TstAlarm)
#include "tst_alarm.moc"
