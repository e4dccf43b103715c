// Nothing the user keeps is lost by surprise: the file commands report what
// they cannot do and then change nothing, an export never replaces the roster
// the file dialog offers, and closing keeps unsaved changes as a recovery copy.

#include "platform/errorreport.h"
#include "common/formfixture.h"
#include "common/ver2file.h"
#include "view/celleditors.h"
#include "view/rostertable.h"
#include "interchange/tform3.h"
#include "roster/rosterfile.h"

#include <QAction>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabBar>
#include <QToolButton>
#include <functional>
#include <map>

using namespace qvr;

namespace {

Roster namedRoster(const char* name, int characters = 2)
{
    Roster r = makeRoster(static_cast<std::size_t>(characters + 1));
    r[1]->setName(name);
    return r;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file in the test's folder but the recovery copies, with its bytes.
std::map<QString, QByteArray> folderFiles(const FormFixture& f)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(f.dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(f.recoveryFolder()))
            files[path] = fileBytes(path);
    }
    return files;
}

// The file menu's entries by caption: the name the program knows each by, and
// the filter its file dialog shows.
struct FileCommand {
    const char* name;
    const char* filter;
};
const std::map<QString, FileCommand> FILE_MENU = {
    {"Load", {"Load1", "QVRUTL_Ver3(*.pd3)|*.pd3"}},
    {"Save", {"Save1", "QVRUTL_Ver3(*.pd3)|*.pd3"}},
    {"Export-CVS", {"Export1", "TextData(*.cvs)|*.cvs"}},
    {"Export-HTML", {"N2", "HTML(*.htm)|*.htm"}},
    {"Export-XML", {"Exit1", "XML(*.xml)|*.xml"}},
};

// What an editor still open at closing holds, as it should reach the roster.
using StillTyped = std::function<void(Roster&)>;

// The user's steps before closing, by name.
void act(FormFixture& f, TForm1& w, const QString& action, StillTyped& stillTyped)
{
    auto typeInto = [&](int col, int row, const QString& text) {
        f.click(col, row);
        QTest::keyClicks(w.ME1, text);
        QTest::keyClick(w.ME1, Qt::Key_Return);
    };
    auto saveAs = [&](const char* name) {
        f.answers << f.dir.filePath(name);
        w.Save1Click();
    };
    if (action == "nothing") {
    } else if (action == "name typed") {
        typeInto(3, 1, "Ab");
    } else if (action == "editor left unchanged") {
        f.click(3, 1);
        QTest::keyClick(w.ME1, Qt::Key_Return);
        f.click(6, 2);
        f.click(0, 1);
    } else if (action == "status typed") {
        typeInto(6, 1, "12");
    } else if (action == "stage time typed") {
        w.SpeedButton4->click();
        typeInto(6, 1, "10203");
    } else if (action == "lock flag") {
        f.click(1, 1);
    } else if (action == "no-count flag") {
        f.click(2, 1);
    } else if (action == "section ID picked") {
        f.click(4, 1);
        w.LBID->setCurrentRow(3);
        w.table().editors().LBTypeMouseUp(w.LBID, Qt::LeftButton);
    } else if (action == "memo left") {
        w.Panel4->show();
        f.click(0, 1);
        w.Memo1->setFocus();
        QTest::keyClicks(w.Memo1, "note");
        f.click(0, 2);
    } else if (action == "memo still typed") {
        w.Panel4->show();
        f.click(0, 2);
        w.Memo1->setFocus();
        QTest::keyClicks(w.Memo1, "last words");
        stillTyped = [](Roster& r) { r[2]->memo = "last words"; };
    } else if (action == "name still typed" || action == "status emptied, still open") {
        const bool name = action.startsWith(u"name");
        f.click(name ? 3 : 6, 2);
        QVERIFY(w.ME1->isVisible());
        w.ME1->selectAll();
        QTest::keyClick(w.ME1, Qt::Key_Delete);
        if (name) {
            QTest::keyClicks(w.ME1, "Ab");
            stillTyped = [](Roster& r) { r[2]->setName("Ab"); };
        }
    } else if (action == "row added") {
        w.SBadd->click();
    } else if (action == "row added beside twenty older copies") {
        QVERIFY(QDir().mkpath(f.recoveryFolder()));
        for (int i = 1; i <= 20; ++i) {
            QFile copy(f.recoveryFolder() + QStringLiteral("/2020-01-%1_10-00-00.pd3").arg(i, 2, 10, QChar(u'0')));
            QVERIFY(copy.open(QIODevice::WriteOnly));
        }
        w.SBadd->click();
    } else if (action == "row added, no recovery folder can be made") {
        QFile blocker(f.dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("XDG_STATE_HOME", f.dir.filePath("blocker").toLocal8Bit());
        w.SBadd->click();
    } else if (action == "row deleted") {
        f.click(0, 1);
        w.SBdel->click();
    } else if (action == "row moved") {
        f.click(0, 2);
        w.SBup->click();
    } else if (action == "row restored after a save") {
        f.click(0, 1);
        w.SBdel->click();
        saveAs("saved.pd3");
        f.keyUpInGrid(Qt::Key_Insert);
    } else if (action == "import") {
        writeVer2(f.dir.filePath("old.pd2"));
        f.answers << f.dir.filePath("old.pd2");
        w.Import1Click();
    } else if (action == "edit, then save") {
        typeInto(3, 1, "Ab");
        saveAs("saved.pd3");
    } else if (action == "edit, then load") {
        typeInto(3, 1, "Ab");
        f.answers << f.dir.filePath("start.pd3");
        w.Load1Click();
    } else if (action == "export") {
        typeInto(3, 1, "Ab");
        saveAs("saved.pd3");
        f.answers << f.dir.filePath("list.cvs");
        w.Export1Click();
    } else {
        QFAIL(qPrintable("unknown action " + action));
    }
}

} // namespace

class TstKeeping : public QObject {
    Q_OBJECT
private slots:
    // Commands "<caption> <file>" of the file menu, run in turn from a window
    // started on mysave.pd3 with one row added; "<dir>" stands for the test's folder.
    void fileCommands_data()
    {
        QTest::addColumn<QStringList>("commands"); // <Enter>: the name the dialog offers
        QTest::addColumn<QString>("report"); // of the last command
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("lastfile");
        QTest::addColumn<bool>("modified");

        // A load leaves the file remembered for the next start; only a save changes it.
        QTest::newRow("save, then load") << QStringList{"Save saved.pd3", "Load other.pd3"} << QString() << 2
                                         << "other.pd3"
                                         << "<dir>/saved.pd3" << false;
        QTest::newRow("load of a missing file")
            << QStringList{"Load nothere.pd3"} << QString::fromUtf8("ファイル <dir>/nothere.pd3 は開けません.") << 4
            << "mysave.pd3"
            << "mysave.pd3" << true;
        QTest::newRow("load of a damaged file")
            << QStringList{"Load damaged.pd3"}
            << QString::fromUtf8("ファイル <dir>/damaged.pd3 は名簿ファイルとして読めません.") << 4 << "mysave.pd3"
            << "mysave.pd3" << true;
        QTest::newRow("save into a missing folder")
            << QStringList{"Save no/such/folder/x.pd3"}
            << QString::fromUtf8("ファイル <dir>/no/such/folder/x.pd3 を作成できません.") << 4 << "mysave.pd3"
            << "mysave.pd3" << true;
        // Enter on the roster just loaded or saved: the export refuses it.
        for (const char* before : {"Load", "Save"})
            for (const char* command : {"Export-CVS", "Export-HTML", "Export-XML"}) {
                const bool load = before == QLatin1String("Load");
                QTest::addRow("%s, then %s over it", before, command)
                    << QStringList{QStringLiteral("%1 mysave.pd3").arg(before),
                           QStringLiteral("%1 <Enter>").arg(command)}
                    << QString::fromUtf8("ファイル <dir>/mysave.pd3 は名簿ファイルのため上書きしません.")
                    << (load ? 3 : 4) << "mysave.pd3" << (load ? "mysave.pd3" : "<dir>/mysave.pd3") << false;
            }
    }
    void fileCommands()
    {
        QFETCH(QStringList, commands);
        QFETCH(QString, report);
        QFETCH(int, rows);
        QFETCH(QString, lastfile);
        FormFixture f;
        report.replace("<dir>", f.dir.path());
        lastfile.replace("<dir>", f.dir.path());
        saveRoster("mysave.pd3", namedRoster("Mine"));
        saveRoster("other.pd3", namedRoster("Other", 1));
        QFile damaged("damaged.pd3");
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray::fromStdString(serializeRoster(makeRoster(3))).left(300));
        damaged.close();
        f.writeSettings("[LAST]\r\nLastFile=mysave.pd3\r\n");

        TForm1& w = f.start();
        TForm3 options(&w); // the HTML and XML exports read their options from it
        Form3 = &options;
        w.rosterSheet.appendRecord();
        QStringList filters;
        Roster before;
        std::map<QString, QByteArray> filesBefore;
        for (const QString& command : commands) {
            const QString caption = command.section(u' ', 0, 0);
            const QString answer = command.section(u' ', 1);
            const FileCommand& entry = FILE_MENU.at(caption);
            QAction* action = w.findChild<QAction*>(entry.name);
            QVERIFY(action);
            QCOMPARE(action->text(), caption);
            filters << entry.filter;
            before = cloneRoster(w.rosterSheet.roster);
            filesBefore = folderFiles(f);
            f.answers << (answer == "<Enter>" ? FormFixture::ENTER : f.dir.filePath(answer));
            action->trigger();
        }
        QCOMPARE(f.reports, report.isEmpty() ? QStringList() : QStringList{report});
        QCOMPARE(f.dialogFilters, filters);
        if (!report.isEmpty()) { // refused: neither the roster nor any file changed
            QVERIFY(sameContent(w.rosterSheet.roster, before));
            QCOMPARE(folderFiles(f), filesBefore);
        }
        QCOMPARE(w.rosterSheet.roster.size(), std::size_t(rows));
        QCOMPARE(w.DrawGrid1->rowCount(), rows);
        QTEST(w.PageControl1->tabText(0), "tab");
        QTEST(w.rosterSheet.modified(), "modified");
        QCOMPARE(QString::fromStdString(w.rosterSheet.lastfile), lastfile);

        // The next start finds a roster in the file remembered.
        Form3 = nullptr;
        w.FormDestroy();
        QVERIFY(f.readSettings().contains("LastFile=" + lastfile.toUtf8() + "\r\n"));
        Roster next;
        qvr::loadRoster(lastfile.toStdString(), next);
        QCOMPARE(std::string(next[1]->nameText()), std::string("Mine"));
    }

    // After a load the current record is still the one clicked before; leaving
    // the memo must not reach the new roster, nor freed memory.
    // A Load that cannot first keep the unsaved roster does not replace it.
    void loadKeepsTheRosterWhenNoCopyCanBeWritten()
    {
        FormFixture f;
        saveRoster("start.pd3", namedRoster("Start"));
        f.writeSettings("[LAST]\r\nLastFile=start.pd3\r\n");
        TForm1& w = f.start();
        w.SBadd->click();
        const Roster before = cloneRoster(w.rosterSheet.roster);
        QFile blocker(f.dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("XDG_STATE_HOME", f.dir.filePath("blocker").toLocal8Bit());
        f.answers << f.dir.filePath("start.pd3");
        QVERIFY(!guard([&] { w.Load1Click(); }));
        QCOMPARE(f.reports.size(), 1);
        QVERIFY2(f.reports[0].contains(u"作成できません"), qPrintable(f.reports[0]));
        QVERIFY(sameContent(w.rosterSheet.roster, before));
        QVERIFY(w.rosterSheet.modified());
    }

    void closingKeepsUnsavedChanges_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<int>("dropped"); // older copies the new one pushes out
        const std::tuple<const char*, bool, int> rows[] = {
            {"name typed", true, 0},
            {"status typed", true, 0},
            {"stage time typed", true, 0},
            {"lock flag", true, 0},
            {"no-count flag", true, 0},
            {"section ID picked", true, 0},
            {"memo left", true, 0},
            {"memo still typed", true, 0},
            {"name still typed", true, 0},
            {"row added", true, 0},
            {"row added beside twenty older copies", true, 1},
            {"row deleted", true, 0},
            {"row moved", true, 0},
            {"row restored after a save", true, 0},
            {"import", true, 0},
            {"nothing", false, 0},
            {"editor left unchanged", false, 0},
            // Cannot be stored; dropped without a report nobody would see.
            {"status emptied, still open", false, 0},
            {"edit, then save", false, 0},
            {"edit, then load", false, 0},
            {"export", false, 0},
            // Ends quietly: nobody would see a report.
            {"row added, no recovery folder can be made", false, 0},
        };
        for (auto [action, kept, dropped] : rows)
            QTest::newRow(action) << QString::fromLatin1(action) << kept << dropped;
    }
    void closingKeepsUnsavedChanges()
    {
        QFETCH(QString, action);
        QFETCH(bool, kept);
        QFETCH(int, dropped);
        FormFixture f;
        const QByteArray startBytes = QByteArray::fromStdString(serializeRoster(namedRoster("Start")));
        saveRoster("start.pd3", namedRoster("Start"));
        f.writeSettings("[LAST]\r\nLastFile=start.pd3\r\n");
        TForm1& w = f.start();
        StillTyped stillTyped;
        act(f, w, action, stillTyped);
        Roster expected = cloneRoster(w.rosterSheet.roster);
        if (stillTyped)
            stillTyped(expected);
        const QStringList copiesBefore = f.recoveryFiles();
        const std::map<QString, QByteArray> filesBefore = folderFiles(f);

        w.close();
        w.FormDestroy();
        QCOMPARE(f.reports, QStringList());
        QVERIFY(w.rosterSheet.roster.empty());
        QVERIFY(f.readSettings().contains("LastFile=" + QByteArray::fromStdString(w.rosterSheet.lastfile) + "\r\n"));
        // Closing writes the settings and the copy only, the roster file least of all.
        QCOMPARE(folderFiles(f), filesBefore);
        QCOMPARE(fileBytes("start.pd3"), startBytes);
        QStringList copies = f.recoveryFiles();
        if (!kept) {
            QCOMPARE(copies, copiesBefore);
            return;
        }
        QCOMPARE(copies.size(), copiesBefore.size() + 1 - dropped);
        const QString copy = copies.takeLast(); // now sorts after the older ones
        QCOMPARE(copies, copiesBefore.mid(dropped));
        QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.pd3$").match(copy).hasMatch(),
            qPrintable(copy));
        Roster back;
        qvr::loadRoster((f.recoveryFolder() + "/" + copy).toStdString(), back);
        QVERIFY(sameContent(back, expected));
    }
};

QTEST_MAIN(TstKeeping)
#include "tst_keeping.moc"
