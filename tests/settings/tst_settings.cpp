// The program's own settings: file name, keys, defaults and the order of the exit writes.
#include "platform/error.h"
#include "settings/profilefile.h"
#include "settings/settingslocation.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qvr;

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::string iniWith(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath("qvrutl.INI");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path.toStdString();
}
} // namespace

class TstSettings : public QObject {
    Q_OBJECT
private slots:
    void settingsPath_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("ini");
        QTest::newRow("no extension") << "/opt/qvr/qvrutl"
                                      << "/opt/qvr/qvrutl.INI";
        QTest::newRow("extension") << "/opt/qvr/qvrutl.bin"
                                   << "/opt/qvr/qvrutl.INI";
        QTest::newRow("last dot only") << "/opt/qvrutl.v3.exe"
                                       << "/opt/qvrutl.v3.INI";
        QTest::newRow("dot in folder") << "/opt/q.v/qvrutl"
                                       << "/opt/q.v/qvrutl.INI";
        QTest::newRow("hidden file") << "/opt/.qvrutl"
                                     << "/opt/.qvrutl.INI";
        QTest::newRow("bare name") << "qvrutl.exe"
                                   << "qvrutl.INI";
    }
    void settingsPath()
    {
        QFETCH(QString, program);
        QFETCH(QString, ini);
        QCOMPARE(QString::fromStdString(settingsPathFor(program.toStdString())), ini);
    }

    // Which file a program at a given place uses. "folder" is made (and made
    // read-only when asked) before the program path inside it is judged.
    void settingsLocation_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("readOnly");
        QTest::addColumn<QString>("link"); // qvrutl.INI beside the program links here
        QTest::addColumn<bool>("beside");
        QTest::newRow("portable folder") << "portable/qvrutl" << QStringList{"portable"} << ""
                                         << "" << true;
        QTest::newRow("read-only settings file stays beside")
            << "portable/qvrutl" << QStringList{"portable"} << "portable/qvrutl.INI"
            << "" << true;
        QTest::newRow("FHS prefix") << "usr/bin/qvrutl" << QStringList{"usr/bin", "usr/share/qvrutl"} << ""
                                    << "" << false;
        QTest::newRow("program folder gone") << "gone/qvrutl" << QStringList{} << ""
                                             << "" << false;
        QTest::newRow("read-only folder") << "ro/qvrutl" << QStringList{"ro"} << "ro"
                                          << "" << false;
        QTest::newRow("read-only folder, link to a writable file") << "ro/qvrutl" << QStringList{"ro", "mine"} << "ro"
                                                                   << "mine/settings.INI" << true;
    }
    void settingsLocation()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, folders);
        QFETCH(QString, readOnly);
        QFETCH(QString, link);
        QFETCH(bool, beside);
        QTemporaryDir dir;
        for (const QString& f : folders)
            QVERIFY(QDir(dir.path()).mkpath(f));
        const QString ini = dir.filePath(program.left(program.lastIndexOf('/')) + "/qvrutl.INI");
        if (!link.isEmpty()) {
            QFile target(dir.filePath(link));
            QVERIFY(target.open(QIODevice::WriteOnly));
            QVERIFY(QFile::link(dir.filePath(link), ini));
        }
        if (readOnly.endsWith(".INI")) {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        if (!readOnly.isEmpty()) {
            if (::geteuid() == 0 && !readOnly.endsWith(".INI"))
                QSKIP("root may write any folder");
            QVERIFY(QFile::setPermissions(dir.filePath(readOnly), QFile::ReadOwner | QFile::ExeOwner));
        }
        const std::string config = dir.filePath("config").toStdString();
        const std::string chosen = chooseSettingsPath(dir.filePath(program).toStdString(), config);
        QFile::setPermissions(dir.filePath(readOnly), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(QString::fromStdString(chosen), beside ? ini : QString::fromStdString(config + "/qvrutl/qvrutl.INI"));
    }

    void mainSettings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("soundfile");
        QTest::addColumn<QString>("lastfile");
        QTest::addColumn<int>("dispmode");
        QTest::newRow("no file") << QByteArray() << "default.wav"
                                 << "qvrutl.pd3" << 0;
        QTest::newRow("all set") << QByteArray(
                                        "[SYSTEM]\r\nSFile=/a/b.wav\r\n[LAST]\r\nLastFile=/c/d.pd3\r\nDispMode=2\r\n")
                                 << "/a/b.wav"
                                 << "/c/d.pd3" << 2;
        QTest::newRow("lower case") << QByteArray("[system]\nsfile=x.wav\n[last]\ndispmode=1\n") << "x.wav"
                                    << "qvrutl.pd3" << 1;
        QTest::newRow("empty last file") << QByteArray("[LAST]\nLastFile=\n") << "default.wav"
                                         << "" << 0;
        QTest::newRow("hex mode") << QByteArray("[LAST]\nDispMode=0x1\n") << "default.wav"
                                  << "qvrutl.pd3" << 1;
        QTest::newRow("mode 7") << QByteArray("[LAST]\nDispMode=7\n") << "default.wav"
                                << "qvrutl.pd3" << 0;
        QTest::newRow("mode -1") << QByteArray("[LAST]\nDispMode=-1\n") << "default.wav"
                                 << "qvrutl.pd3" << 0;
        QTest::newRow("mode abc") << QByteArray("[LAST]\nDispMode=abc\n") << "default.wav"
                                  << "qvrutl.pd3" << 0;
    }
    void mainSettings()
    {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        const std::string ini = text.isEmpty() ? dir.filePath("none.INI").toStdString() : iniWith(dir, text);
        MainSettings m = readMainSettings(ini);
        QTEST(QString::fromStdString(m.soundfile), "soundfile");
        QTEST(QString::fromStdString(m.lastfile), "lastfile");
        QTEST(int(m.dispmode), "dispmode");
    }

    void exportOptions_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("flags"); // Status, EP1Time, EP2Time, Memo
        QTest::newRow("defaults") << QByteArray("[OPTION]\n") << "0110";
        QTest::newRow("all set") << QByteArray("[OPTION]\nOutStatus=1\nOutEP1Time=0\nOutEP2Time=0\nOutMemo=1\n")
                                 << "1001";
        QTest::newRow("memo 5") << QByteArray("[option]\noutmemo=5\n") << "0111";
        QTest::newRow("memo yes") << QByteArray("[OPTION]\nOutMemo=yes\nOutEP1Time=no\n") << "0110";
    }
    void exportOptions()
    {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        ExportOptions o = readExportOptions(iniWith(dir, text));
        QString got;
        for (bool b : {o.outStatus, o.outEp1Time, o.outEp2Time, o.outMemo})
            got += b ? '1' : '0';
        QTEST(got, "flags");
    }

    // The export options window is destroyed before the main window.
    void firstExitOrder()
    {
        QTemporaryDir dir;
        const std::string ini = dir.filePath("new.INI").toStdString();
        writeExportOptions(ini, ExportOptions{true, false, true, false});
        writeMainSettings(ini, MainSettings{"a.wav", "/r/s.pd3", 2});
        QCOMPARE(fileBytes(QString::fromStdString(ini)),
            QByteArray("[OPTION]\r\nOutStatus=1\r\nOutEP1Time=0\r\nOutEP2Time=1\r\nOutMemo=0\r\n\r\n"
                       "[SYSTEM]\r\nSFile=a.wav\r\n\r\n[LAST]\r\nLastFile=/r/s.pd3\r\nDispMode=2\r\n"));
        QCOMPARE(readMainSettings(ini).lastfile, std::string("/r/s.pd3"));
        QCOMPARE(readExportOptions(ini).outStatus, true);
    }

    void exitKeepsForeignLines()
    {
        QTemporaryDir dir;
        const QByteArray before = "; mine\n[LAST]\nDispMode=abc\nWindow=1,2\n[Mine]\nz=\x93\xFA\n";
        const std::string ini = iniWith(dir, before);
        writeMainSettings(ini, readMainSettings(ini));
        QCOMPARE(fileBytes(QString::fromStdString(ini)),
            QByteArray("; mine\n[LAST]\nDispMode=0\nWindow=1,2\nLastFile=qvrutl.pd3\n[Mine]\nz=\x93\xFA\n"
                       "\n[SYSTEM]\nSFile=default.wav\n"));
    }

    void exitWriteFailure()
    {
        QTemporaryDir dir;
        const std::string ini = dir.filePath("gone/qvrutl.INI").toStdString();
        QVERIFY_THROWS_EXCEPTION(Error, writeMainSettings(ini, MainSettings{}));
        try {
            writeExportOptions(ini, ExportOptions{});
        } catch (const Error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QString::fromStdString(ini) + " に書き込めません");
            return;
        }
        QFAIL("write did not fail");
    }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
