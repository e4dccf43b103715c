// Nothing the user keeps is lost by surprise: an export never replaces the
// roster the file dialog offers, and closing keeps unsaved changes as a
// recovery copy.

#include "common/formfixture.h"
#include "interchange/tform3.h"
#include "interchange/ver2import.h"
#include "roster/rosterfile.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QToolButton>
#include <optional>

using namespace qvr;

namespace {

Roster namedRoster(const char* name)
{
    Roster r = makeRoster(3);
    r[1]->setName(name);
    return r;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A version-2 file with one character, or with empty slots only.
void writeVer2(const QString& path, bool withCharacter)
{
    QByteArray bytes(int(VER2_SLOT_SIZE * VER2_SLOT_COUNT), '\0');
    for (std::size_t s = 0; s < VER2_SLOT_COUNT; ++s)
        bytes.replace(int(s * VER2_SLOT_SIZE), 4, "name");
    if (withCharacter)
        bytes.replace(0, 4, QByteArray("Old\0", 4));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The user's steps before closing, by name.
void act(FormFixture& f, TForm1& w, const QString& action)
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
        w.LBTypeMouseUp(w.LBID, Qt::LeftButton);
    } else if (action == "memo left") {
        w.Panel4->show();
        f.click(0, 1);
        w.Memo1->setFocus();
        QTest::keyClicks(w.Memo1, "note");
        f.click(0, 2);
    } else if (action == "row added") {
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
        writeVer2(f.dir.filePath("old.pd2"), true);
        f.answers << f.dir.filePath("old.pd2");
        w.Import1Click();
    } else if (action == "import of empty slots") {
        writeVer2(f.dir.filePath("old.pd2"), false);
        f.answers << f.dir.filePath("old.pd2");
        w.Import1Click();
    } else if (action == "edit, then save") {
        typeInto(3, 1, "Ab");
        saveAs("saved.pd3");
    } else if (action == "edit, then load") {
        typeInto(3, 1, "Ab");
        f.answers << f.dir.filePath("start.pd3");
        w.Load1Click();
    } else if (action == "save, then edit") {
        saveAs("saved.pd3");
        f.click(1, 2);
    } else if (action == "export") {
        typeInto(3, 1, "Ab");
        saveAs("saved.pd3");
        f.answers << f.dir.filePath("list.cvs");
        w.Export1Click();
    } else {
        QFAIL(qPrintable("unknown action " + action));
    }
}

// Closes the window in order and reads the recovery copies it left: one, whose
// roster is returned, or none when none is expected.
std::optional<Roster> closeAndReadCopy(FormFixture& f, TForm1& w, bool kept)
{
    w.close();
    w.FormDestroy();
    if (!f.reports.isEmpty())
        return std::nullopt;
    const QStringList copies = f.recoveryFiles();
    if (copies.size() != (kept ? 1 : 0))
        return std::nullopt;
    Roster copy;
    if (kept &&
        loadRoster(f.recoveryFolder().toStdString() + "/" + copies[0].toStdString(), copy) != LoadResult::Loaded)
        return std::nullopt;
    return copy;
}

} // namespace

class TstKeeping : public QObject {
    Q_OBJECT
private slots:
    // The dialog offers the roster just loaded or saved; Enter takes it.
    void exportOverTheOfferedRoster_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("command");
        for (const char* before : {"Load", "Save"})
            for (const char* command : {"Export-CVS", "Export-HTML", "Export-XML"})
                QTest::addRow("%s, %s", before, command) << before << command;
    }
    void exportOverTheOfferedRoster()
    {
        QFETCH(QString, before);
        QFETCH(QString, command);
        FormFixture f;
        const QString path = f.dir.filePath("mysave.pd3");
        saveRoster(path.toStdString(), namedRoster("Mine"));
        f.writeSettings("[LAST]\r\nLastFile=mysave.pd3\r\n");
        {
            TForm1& w = f.start();
            TForm3 options(&w); // the HTML and XML exports read their options from it
            Form3 = &options;
            f.answers << path;
            if (before == "Load")
                w.Load1Click();
            else
                w.Save1Click();
            const QByteArray kept = fileBytes(path);
            f.answers << FormFixture::ENTER;
            QAction* entry = w.findChild<QAction*>(command == "Export-CVS" ? "Export1"
                    : command == "Export-HTML"                             ? "N2"
                                                                           : "Exit1");
            QVERIFY(entry);
            QCOMPARE(entry->text(), command);
            entry->trigger();
            QCOMPARE(
                f.reports, QStringList{QString::fromUtf8("ファイル %1 は名簿ファイルのため上書きしません.").arg(path)});
            QCOMPARE(fileBytes(path), kept);
            Form3 = nullptr;
            w.FormDestroy();
        }
        f.form.reset();
        f.reports.clear();
        TForm1& again = f.start();
        QVERIFY(f.reports.isEmpty());
        QCOMPARE(std::string(again.roster[1]->nameText()), std::string("Mine"));
    }

    void closingKeepsUnsavedChanges_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("kept");
        const std::pair<const char*, bool> rows[] = {
            {"name typed", true},
            {"status typed", true},
            {"stage time typed", true},
            {"lock flag", true},
            {"no-count flag", true},
            {"section ID picked", true},
            {"memo left", true},
            {"row added", true},
            {"row deleted", true},
            {"row moved", true},
            {"row restored after a save", true},
            {"import", true},
            {"save, then edit", true},
            {"nothing", false},
            {"editor left unchanged", false},
            {"import of empty slots", false},
            {"edit, then save", false},
            {"edit, then load", false},
            {"export", false},
        };
        for (auto [action, kept] : rows)
            QTest::newRow(action) << QString::fromLatin1(action) << kept;
    }
    void closingKeepsUnsavedChanges()
    {
        QFETCH(QString, action);
        QFETCH(bool, kept);
        FormFixture f;
        saveRoster("start.pd3", namedRoster("Start"));
        f.writeSettings("[LAST]\r\nLastFile=start.pd3\r\n");
        TForm1& w = f.start();
        act(f, w, action);
        const Roster inMemory = cloneRoster(w.roster);
        const std::optional<Roster> copy = closeAndReadCopy(f, w, kept);
        QVERIFY2(copy, "a report, or not the recovery copies expected");
        if (!kept)
            return;
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.pd3$")
                    .match(f.recoveryFiles().constFirst())
                    .hasMatch());
        QVERIFY(sameContent(*copy, inMemory));
        // The roster file itself is never written on closing.
        QCOMPARE(fileBytes("start.pd3"), QByteArray::fromStdString(serializeRoster(namedRoster("Start"))));
    }

    // Still being typed when the window closes.
    void pendingEditAtClose_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("kept");
        QTest::newRow("memo") << "memo"
                              << "last words" << true;
        QTest::newRow("name") << "name"
                              << "Ab" << true;
        // Cannot be stored; dropped without a report nobody would see.
        QTest::newRow("status left empty") << "status"
                                           << "" << false;
    }
    void pendingEditAtClose()
    {
        QFETCH(QString, editor);
        QFETCH(QString, typed);
        QFETCH(bool, kept);
        FormFixture f;
        TForm1& w = f.start();
        w.Panel4->show();
        if (editor == "memo") {
            f.click(0, 2);
            w.Memo1->setFocus();
            QTest::keyClicks(w.Memo1, typed);
        } else {
            f.click(editor == "name" ? 3 : 6, 2);
            QVERIFY(w.ME1->isVisible());
            w.ME1->selectAll();
            QTest::keyClick(w.ME1, Qt::Key_Delete);
            QTest::keyClicks(w.ME1, typed);
        }
        const std::optional<Roster> copy = closeAndReadCopy(f, w, kept);
        QVERIFY2(copy, "a report, or not the recovery copies expected");
        if (!kept)
            return;
        QCOMPARE(copy->size(), std::size_t(3));
        if (editor == "memo")
            QCOMPARE((*copy)[2]->memo, typed.toStdString());
        else
            QCOMPARE(std::string((*copy)[2]->nameText()), typed.toStdString());
        QCOMPARE((*copy)[0]->memo, std::string());
    }

    void twentyFirstCopyRemovesTheOldest()
    {
        FormFixture f;
        QVERIFY(QDir().mkpath(f.recoveryFolder()));
        QStringList older;
        for (int i = 1; i <= 20; ++i) {
            older << QStringLiteral("2020-01-%1_10-00-00.pd3").arg(i, 2, 10, QChar(u'0'));
            QFile copy(f.recoveryFolder() + "/" + older.last());
            QVERIFY(copy.open(QIODevice::WriteOnly));
        }
        TForm1& w = f.start();
        w.SBadd->click();
        w.FormDestroy();
        const QStringList now = f.recoveryFiles();
        QCOMPARE(now.size(), 20);
        QVERIFY(!now.contains(older.first()));
        QCOMPARE(now.mid(0, 19), older.mid(1));
    }

    void unwritableRecoveryFolderEndsQuietly()
    {
        FormFixture f;
        QFile blocker(f.dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_STATE_HOME", f.dir.filePath("blocker").toLocal8Bit());
        TForm1& w = f.start();
        w.SBadd->click();
        w.close();
        w.FormDestroy();
        QVERIFY(f.reports.isEmpty());
        QVERIFY(f.readSettings().contains("LastFile=qvrutl.pd3"));
        QCOMPARE(QFileInfo(f.dir.filePath("blocker")).size(), 0);
        QVERIFY(w.roster.empty());
    }
};

QTEST_MAIN(TstKeeping)
#include "tst_keeping.moc"
