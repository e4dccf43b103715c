// Files handed to the program from outside the file dialog's usual commands:
// named on its command line, dropped on the main window, or picked among the
// recovery copies. Each goes the way "Load" or "Import-Ver2" goes, and none of
// them changes the last saved file the next start opens.

#include "app/commandline.h"
#include "common/formfixture.h"
#include "common/ver2file.h"
#include "platform/qtext.h"
#include "roster/recovery.h"
#include "roster/rosterfile.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QTabBar>
#include <QUrl>

using namespace qvr;

namespace {

const QByteArray LAST_SAVED_SETTINGS("[LAST]\r\nLastFile=saved.pd3\r\n");
const QString ROSTER_FILTER = QStringLiteral("QVRUTL_Ver3(*.pd3)|*.pd3");

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void writeRoster(const QString& path, const char* firstName, int characters)
{
    Roster r = makeRoster(static_cast<std::size_t>(characters + 1));
    r[1]->setName(firstName);
    writeBytes(path, QByteArray::fromStdString(serializeRoster(r)));
}

// The test's folder: the last saved roster "saved.pd3" (Saved and one more), a
// roster "given.pd3" (Given and three more), a version-2 "old.pd2" (Old), a
// damaged roster and a text file; the settings name saved.pd3.
void prepare(FormFixture& f)
{
    const QDir dir(f.dir.path());
    writeRoster(dir.filePath(QStringLiteral("saved.pd3")), "Saved", 2);
    writeRoster(dir.filePath(QStringLiteral("given.pd3")), "Given", 4);
    writeVer2(dir.filePath(QStringLiteral("old.pd2")));
    writeBytes(dir.filePath(QStringLiteral("bad.pd3")), QByteArray("\x33\xFF\xFF\xFF\x7F", 5));
    writeBytes(dir.filePath(QStringLiteral("notes.txt")), "notes");
    f.writeSettings(LAST_SAVED_SETTINGS);
}

QString nameOf(const TForm1& w, std::size_t row)
{
    return QString::fromStdString(std::string(w.roster[row]->nameText()));
}

// The window shows a roster of `rows` rows from the file `tab`, whose first
// character is `first` and last `last`.
void compareRoster(const TForm1& w, int rows, const QString& tab, const QString& first, const QString& last)
{
    QCOMPARE(w.roster.size(), std::size_t(rows));
    QCOMPARE(w.DrawGrid1->rowCount(), rows);
    QCOMPARE(w.PageControl1->tabText(0), tab);
    QCOMPARE(nameOf(w, 1), first);
    QCOMPARE(nameOf(w, w.roster.size() - 1), last);
}

// After the orderly end the next start still opens the last saved file.
void compareLastFileKept(FormFixture& f)
{
    f.form->FormDestroy();
    QVERIFY2(f.readSettings().contains("LastFile=saved.pd3\r\n"), f.readSettings().constData());
}

// The file's columns of a roster outcome shared by the start and the drop tests.
void addOutcomeColumns()
{
    QTest::addColumn<QString>("report"); // the one error report, or none; "<dir>/" stands for the test's folder
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
}

QString cannotOpen(const char* name) { return QString::fromUtf8("ファイル %1 は開けません.").arg(QLatin1String(name)); }
QString notRoster(const char* name)
{
    return QString::fromUtf8("ファイル %1 は名簿ファイルとして読めません.").arg(QLatin1String(name));
}

void compareOutcome(FormFixture& f)
{
    QFETCH(QString, report);
    report.replace(QStringLiteral("<dir>"), f.dir.path());
    QFETCH(int, rows);
    QFETCH(QString, tab);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QCOMPARE(f.reports, report.isEmpty() ? QStringList() : QStringList{report});
    compareRoster(*f.form, rows, tab, first, last);
    compareLastFileKept(f);
}

} // namespace

class TstOpening : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: the program runs
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text"); // a pattern of what is printed
        const QString usage = QStringLiteral("^\\S*qvrutl: .*\nUsage: qvrutl \\[options\\] \\[file\\]\n$");
        QTest::newRow("nothing") << QStringList{"qvrutl"} << -1 << ""
                                 << "^$";
        QTest::newRow("a file") << QStringList{"qvrutl", "a b.pd3"} << -1 << "a b.pd3"
                                << "^$";
        QTest::newRow("Qt's own options")
            << QStringList{"qvrutl", "-platform", "offscreen", "-reverse", "old.pd2"} << -1 << "old.pd2"
            << "^$";
        QTest::newRow("Qt's option with =") << QStringList{"/usr/bin/qvrutl", "-style=Fusion", "a.pd3"} << -1 << "a.pd3"
                                            << "^$";
        QTest::newRow("--help") << QStringList{"qvrutl", "--help"} << 0 << ""
                                << "^Usage: qvrutl \\[options\\] \\[file\\]\n.*--version";
        QTest::newRow("-h") << QStringList{"/usr/bin/qvrutl", "-h", "a.pd3"} << 0 << ""
                            << "^Usage: qvrutl ";
        QTest::newRow("--help-all is not Qt's") << QStringList{"qvrutl", "--help-all"} << 2 << "" << usage;
        QTest::newRow("--version") << QStringList{"qvrutl", "--version"} << 0 << ""
                                   << "^qvrutl \\d+\\.\\d+\\.\\d+\n$";
        QTest::newRow("unknown option") << QStringList{"qvrutl", "--bogus", "a.pd3"} << 2 << "" << usage;
        QTest::newRow("unknown from another path") << QStringList{"/opt/x/qvrutl", "-x"} << 2 << "" << usage;
        QTest::newRow("Qt's option without its value") << QStringList{"qvrutl", "-platform"} << 2 << "" << usage;
        QTest::newRow("two files") << QStringList{"qvrutl", "a.pd3", "b.pd3"} << 2 << "" << usage;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        const CommandLine line = parseCommandLine(arguments);
        QCOMPARE(line.exitCode.value_or(-1), exitCode);
        QTEST(line.file, "file");
        QVERIFY2(QRegularExpression(text, QRegularExpression::DotMatchesEverythingOption).match(line.text).hasMatch(),
            qPrintable(line.text));
    }

    // The built program answers these before it looks for a display: here there is none.
    void programWithoutDisplay_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("toStdout"); // else on standard error, and standard output empty
        QTest::newRow("--help") << "--help" << 0 << true;
        QTest::newRow("--version") << "--version" << 0 << true;
        QTest::newRow("unknown option") << "--bogus" << 2 << false;
    }
    void programWithoutDisplay()
    {
        QFETCH(QString, argument);
        QFETCH(bool, toStdout);
        const QString program = QStringLiteral(QVR_PROGRAM);
        QFile settings(QFileInfo(program).dir().filePath(QStringLiteral("qvrutl.INI")));
        const bool hadSettings = settings.exists();
        const QByteArray settingsBefore = settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray();
        settings.close();

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(program, {argument});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QTEST(p.exitCode(), "exitCode");
        const QByteArray out = p.readAllStandardOutput();
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(toStdout ? !out.isEmpty() && err.isEmpty() : out.isEmpty() && err.contains("Usage: qvrutl"),
            (out + err).constData());
        QCOMPARE(settings.exists(), hadSettings);
        if (hadSettings) {
            QVERIFY(settings.open(QIODevice::ReadOnly));
            QCOMPARE(settings.readAll(), settingsBefore);
        }
    }

    void startFile_data()
    {
        QTest::addColumn<QString>("startFile");
        addOutcomeColumns();
        QTest::newRow("none") << ""
                              << "" << 3 << "saved.pd3"
                              << "Saved"
                              << "";
        QTest::newRow("a roster file instead of the last saved") << "given.pd3"
                                                                 << "" << 5 << "given.pd3"
                                                                 << "Given"
                                                                 << "";
        QTest::newRow("a version-2 file imported into the last saved") << "old.pd2"
                                                                       << "" << 4 << "saved.pd3"
                                                                       << "Saved"
                                                                       << "Old";
        QTest::newRow("a missing roster file") << "gone.pd3" << cannotOpen("gone.pd3") << 3 << "saved.pd3"
                                               << "Saved"
                                               << "";
        QTest::newRow("a missing version-2 file") << "gone.pd2" << cannotOpen("gone.pd2") << 3 << "saved.pd3"
                                                  << "Saved"
                                                  << "";
        QTest::newRow("a damaged roster file") << "bad.pd3" << notRoster("bad.pd3") << 3 << "saved.pd3"
                                               << "Saved"
                                               << "";
        // Only a version-2 name imports; anything else is read as a roster file.
        QTest::newRow("a text file") << "notes.txt" << notRoster("notes.txt") << 3 << "saved.pd3"
                                     << "Saved"
                                     << "";
    }
    void startFile()
    {
        QFETCH(QString, startFile);
        FormFixture f;
        prepare(f);
        f.start(toNativePath(startFile));
        compareOutcome(f);
    }

    // As at every start, the given roster's best times are found: the marks show.
    void startFileGetsBestTimes()
    {
        FormFixture f;
        prepare(f);
        Roster r = makeRoster(3);
        r[1]->ep1time[0] = 300;
        r[2]->ep1time[0] = 200;
        writeBytes(f.dir.filePath(QStringLiteral("timed.pd3")), QByteArray::fromStdString(serializeRoster(r)));
        TForm1& w = f.start("timed.pd3");
        QCOMPARE(w.roster[2]->ep1time[0], -200);
        QCOMPARE(w.roster[1]->ep1time[0], 300);
    }

    void drop_data()
    {
        QTest::addColumn<QStringList>("urls"); // names in the test's folder, or whole URLs
        QTest::addColumn<Qt::DropActions>("offered");
        QTest::addColumn<bool>("taken");
        addOutcomeColumns();
        const Qt::DropActions copyOrMove = Qt::CopyAction | Qt::MoveAction;
        QTest::newRow("a roster file") << QStringList{"given.pd3"} << copyOrMove << true << "" << 5 << "given.pd3"
                                       << "Given"
                                       << "";
        QTest::newRow("a version-2 file") << QStringList{"old.pd2"} << copyOrMove << true << "" << 4 << "saved.pd3"
                                          << "Saved"
                                          << "Old";
        QTest::newRow("a damaged roster file")
            << QStringList{"bad.pd3"} << copyOrMove << true << notRoster("<dir>/bad.pd3") << 3 << "saved.pd3"
            << "Saved"
            << "";
        QTest::newRow("another kind of file")
            << QStringList{"notes.txt"} << copyOrMove << false << "" << 3 << "saved.pd3"
            << "Saved"
            << "";
        QTest::newRow("several files") << QStringList{"given.pd3", "old.pd2"} << copyOrMove << false << "" << 3
                                       << "saved.pd3"
                                       << "Saved"
                                       << "";
        QTest::newRow("a file elsewhere")
            << QStringList{"https://example.org/given.pd3"} << copyOrMove << false << "" << 3 << "saved.pd3"
            << "Saved"
            << "";
        // Taking a move would have the source delete the user's file.
        QTest::newRow("only a move offered")
            << QStringList{"given.pd3"} << Qt::DropActions(Qt::MoveAction) << false << "" << 3 << "saved.pd3"
            << "Saved"
            << "";
    }
    void drop()
    {
        QFETCH(QStringList, urls);
        QFETCH(Qt::DropActions, offered);
        QFETCH(bool, taken);
        FormFixture f;
        prepare(f);
        TForm1& w = f.start();
        QMimeData data;
        QList<QUrl> list;
        for (const QString& u : urls)
            list << (u.contains(u':') ? QUrl(u) : QUrl::fromLocalFile(f.dir.filePath(u)));
        data.setUrls(list);
        const QPointF at = w.DrawGrid1->mapTo(&w, QPoint(20, 40));

        QDragEnterEvent enter(at.toPoint(), offered, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&w, &enter);
        QCOMPARE(enter.isAccepted(), taken);
        QDragMoveEvent move(at.toPoint() + QPoint(5, 5), offered, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&w, &move);
        QCOMPARE(move.isAccepted(), taken);
        QDropEvent dropped(at, offered, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&w, &dropped);
        QCOMPARE(dropped.isAccepted(), taken);
        if (taken) {
            QCOMPARE(enter.dropAction(), Qt::CopyAction);
            QCOMPARE(dropped.dropAction(), Qt::CopyAction);
        }
        QCoreApplication::processEvents();
        compareOutcome(f);
    }

    void recoveryEntryEndsTheFileMenu()
    {
        FormFixture f;
        TForm1& w = f.start();
        auto* menu = w.findChild<QMenu*>(QStringLiteral("File1"));
        QVERIFY(menu);
        QStringList captions;
        for (const QAction* a : menu->actions())
            captions << a->text();
        QCOMPARE(captions,
            (QStringList{"Load", "Save", "-----", "Import-Ver2", "Export-CVS", "Export-HTML", "Export-XML", "-----",
                QString::fromUtf8("Recovery copies…")}));
    }

    // The dialog opens in the folder, made when missing; a cancel leaves the
    // name the next command offers, a chosen copy loads as "Load" does.
    void recoveryCopies()
    {
        FormFixture f;
        prepare(f);
        TForm1& w = f.start();
        QVERIFY(!QDir(f.recoveryFolder()).exists());
        auto* entry = w.findChild<QAction*>(QStringLiteral("Recovery1"));
        QVERIFY(entry);
        entry->trigger();
        QVERIFY(QDir(f.recoveryFolder()).exists());
        QCOMPARE(f.dialogFilters, QStringList{ROSTER_FILTER});
        QCOMPARE(QFileInfo(f.dialogNames.value(0)).absolutePath(), f.recoveryFolder());
        compareRoster(w, 3, "saved.pd3", "Saved", "");

        w.findChild<QAction*>(QStringLiteral("Load1"))->trigger();
        QCOMPARE(f.dialogNames.value(1), QStringLiteral("qvrutl"));

        Roster kept = makeRoster(4);
        kept[1]->setName("Kept");
        const QString copy = QString::fromStdString(writeRecoveryCopy(kept, toNativePath(f.recoveryFolder()), 0));
        QVERIFY(!copy.isEmpty());
        f.answers << copy;
        entry->trigger();
        QCOMPARE(QFileInfo(f.dialogNames.value(2)).absolutePath(), f.recoveryFolder());
        QCOMPARE(f.reports, QStringList());
        compareRoster(w, 4, QFileInfo(copy).fileName(), "Kept", "");
        compareLastFileKept(f);
    }
};

QTEST_MAIN(TstOpening)
#include "tst_opening.moc"
