// Undo and redo through the real window: the keys wherever the focus is, the
// Edit menu's entries, and what a load or closing keeps.

#include "common/formfixture.h"
#include "interchange/ver2import.h"
#include "roster/rosterfile.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QToolButton>

using namespace qvr;

namespace {

// The roster the window starts with: "Akane" with a C1 time that is the best,
// "Bo" with a slower one.
Roster startRoster()
{
    Roster r = makeRoster(3);
    r[1]->setName("Akane");
    r[1]->ep1time[0] = -100;
    r[2]->setName("Bo");
    r[2]->ep1time[0] = 200;
    return r;
}

// A version-2 file holding characters of the given names.
void writeVer2(const QString& path, const QList<QByteArray>& names)
{
    QByteArray bytes(int(VER2_SLOT_SIZE * VER2_SLOT_COUNT), '\0');
    for (std::size_t s = 0; s < VER2_SLOT_COUNT; ++s)
        bytes.replace(int(s * VER2_SLOT_SIZE), 4, s < std::size_t(names.size()) ? names[int(s)] + '\0' : "name");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// What the user sees change and what a save would write.
struct Shown {
    QByteArray roster;
    BestTimes best;
    QString tab;
    int rows;
    bool operator==(const Shown&) const = default;
};

Shown shown(TForm1& w)
{
    return {QByteArray::fromStdString(serializeRoster(w.rosterSheet.roster)), w.rosterSheet.best,
        w.PageControl1->tabText(0), w.DrawGrid1->rowCount()};
}

QAction* action(TForm1& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

void typeInto(FormFixture& f, TForm1& w, int col, int row, const QString& text)
{
    f.click(col, row);
    QVERIFY(w.ME1->isVisible());
    QTest::keyClicks(w.ME1, text);
    QTest::keyClick(w.ME1, Qt::Key_Return);
}

// The user's action, by name; the grid has the focus afterwards.
void act(FormFixture& f, TForm1& w, const QString& name)
{
    if (name == "time typed") {
        w.SpeedButton4->click();
        typeInto(f, w, 6, 2, "30"); // Bo's C1 becomes the best
    } else if (name == "name typed") {
        typeInto(f, w, 3, 2, "Cy");
    } else if (name == "Delete pressed") {
        f.click(0, 1);
        f.keyUpInGrid(Qt::Key_Delete);
    } else if (name == "import") {
        writeVer2(f.dir.filePath("old.pd2"), {"Old", "Older"});
        f.answers << f.dir.filePath("old.pd2");
        w.Import1Click();
    } else if (name == "load over unsaved edits") {
        saveRoster(f.dir.filePath("other.pd3").toStdString(), makeRoster(5));
        f.answers << f.dir.filePath("other.pd3");
        action(w, "Load1")->trigger();
    } else if (name == "memo left") {
        w.Panel4->show();
        f.click(0, 2);
        w.Memo1->setFocus();
        QTest::keyClicks(w.Memo1, "note");
        f.click(0, 1);
    } else if (name == "row moved down") {
        f.click(0, 1);
        w.findChild<QToolButton*>("SBdown")->click();
    } else {
        QFAIL(qPrintable("unknown action " + name));
    }
    w.DrawGrid1->setFocus();
}

} // namespace

class TstUndo : public QObject {
    Q_OBJECT
private slots:
    // Ctrl+Z gives back what the window showed before the action, whatever it was;
    // Ctrl+Shift+Z or Ctrl+Y what it showed after; the Edit menu names the step.
    void keysUndoAndRedo_data()
    {
        QTest::addColumn<QString>("act");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("redoCaption"); // a record is named as it is now
        QTest::addColumn<bool>("redoByY"); // else Ctrl+Shift+Z
        const bool shiftZ = false;
        QTest::newRow("time typed") << "time typed"
                                    << "C1 of Bo"
                                    << "C1 of Bo" << shiftZ;
        QTest::newRow("name typed") << "name typed"
                                    << "Name of Cy"
                                    << "Name of Bo" << true;
        QTest::newRow("Delete pressed") << "Delete pressed"
                                        << "Delete row 1"
                                        << "Delete row 1" << shiftZ;
        QTest::newRow("import") << "import"
                                << "Import-Ver2 of 2 rows"
                                << "Import-Ver2 of 2 rows" << true;
        QTest::newRow("load over unsaved edits") << "load over unsaved edits"
                                                 << "Load other.pd3"
                                                 << "Load other.pd3" << shiftZ;
        QTest::newRow("memo left") << "memo left"
                                   << "Memo of Bo"
                                   << "Memo of Bo" << true;
        QTest::newRow("row moved down") << "row moved down"
                                        << "Down row 1"
                                        << "Down row 1" << shiftZ;
    }
    void keysUndoAndRedo()
    {
        QFETCH(QString, act);
        QFETCH(QString, caption);
        QFETCH(QString, redoCaption);
        QFETCH(bool, redoByY);
        FormFixture f;
        saveRoster("start.pd3", startRoster());
        f.writeSettings("[LAST]\r\nLastFile=start.pd3\r\n");
        TForm1& w = f.start();
        const bool load = act.startsWith(u"load");
        if (load) // the edits the load replaces, which its undo must give back
            typeInto(f, w, 3, 1, "Edited");
        const Shown before = shown(w);
        ::act(f, w, act);
        const Shown after = shown(w);
        QVERIFY(!(after == before));
        QCOMPARE(action(w, "Undo1")->text(), "Undo " + caption);
        if (load) { // they were kept first, as closing keeps them
            const QStringList copies = f.recoveryFiles();
            QCOMPARE(copies.size(), 1);
            Roster kept;
            loadRoster((f.recoveryFolder() + "/" + copies[0]).toStdString(), kept);
            QCOMPARE(QByteArray::fromStdString(serializeRoster(kept)), before.roster);
        }
        key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(shown(w) == before);
        // Before a load the edits were unsaved; otherwise undo reached the loaded state.
        QCOMPARE(w.rosterSheet.modified(), load);
        QCOMPARE(action(w, "Undo1")->isEnabled(), load);
        QCOMPARE(action(w, "Redo1")->text(), "Redo " + redoCaption);
        if (redoByY)
            key(Qt::Key_Y, Qt::ControlModifier);
        else
            key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(shown(w) == after);
        QCOMPARE(f.reports, QStringList());
    }

    // In an open editor and in the memo box the keys act on the text being typed.
    void keysInTextActOnTheText_data()
    {
        QTest::addColumn<bool>("memo");
        QTest::newRow("name editor") << false;
        QTest::newRow("memo box") << true;
    }
    void keysInTextActOnTheText()
    {
        QFETCH(bool, memo);
        FormFixture f;
        saveRoster("start.pd3", startRoster());
        f.writeSettings("[LAST]\r\nLastFile=start.pd3\r\n");
        TForm1& w = f.start();
        w.Panel4->show();
        f.click(3, 1);
        QWidget* box = memo ? static_cast<QWidget*>(w.Memo1) : w.ME1;
        auto text = [&] { return memo ? w.Memo1->toPlainText() : w.ME1->text(); };
        box->setFocus();
        const QString opening = text();
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClicks(box, "xy");
        const QString typed = text();
        QVERIFY(typed != opening);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(text(), opening);
        QVERIFY(box->hasFocus());
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(text(), typed);
        key(Qt::Key_Z, Qt::ControlModifier);
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(text(), typed);
        // The roster has nothing to undo: only the text changed.
        QVERIFY(!action(w, "Undo1")->isEnabled());
        QVERIFY(sameContent(w.rosterSheet.roster, startRoster()));
    }

    // "Edit" stands between "File" and "Option"; its entries say what they would
    // undo and redo, and are disabled when there is nothing.
    void editMenu()
    {
        FormFixture f;
        saveRoster("start.pd3", startRoster());
        f.writeSettings("[LAST]\r\nLastFile=start.pd3\r\n");
        TForm1& w = f.start();
        QStringList menus;
        for (QAction* a : w.menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Option"}));
        QAction* undo = action(w, "Undo1");
        QAction* redo = action(w, "Redo1");
        QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(redo->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}));
        auto state = [&] {
            return QStringList{
                undo->text(), undo->isEnabled() ? "on" : "off", redo->text(), redo->isEnabled() ? "on" : "off"};
        };
        QCOMPARE(state(), (QStringList{"Undo", "off", "Redo", "off"}));
        f.click(1, 2); // Bo locked
        QCOMPARE(state(), (QStringList{"Undo Lock of Bo", "on", "Redo", "off"}));
        f.click(0, 2);
        w.SBadd->click();
        QCOMPARE(state(), (QStringList{"Undo Add row 3", "on", "Redo", "off"}));
        undo->trigger();
        QCOMPARE(state(), (QStringList{"Undo Lock of Bo", "on", "Redo Add row 3", "on"}));
        undo->trigger();
        QCOMPARE(state(), (QStringList{"Undo", "off", "Redo Lock of Bo", "on"}));
        QVERIFY(sameContent(w.rosterSheet.roster, startRoster()));
        redo->trigger();
        QCOMPARE(w.rosterSheet.roster[2]->lock, std::uint8_t{1});
        // A new change drops what could have been redone.
        f.click(2, 1);
        QCOMPARE(state(), (QStringList{"Undo Leave-out of Akane", "on", "Redo", "off"}));
        QCOMPARE(w.rosterSheet.roster.size(), std::size_t{3});
    }

    // Closing writes a recovery copy only when the roster differs from the state
    // last loaded or saved; undoing back to that state counts as unchanged.
    void closingAfterUndo_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("copies");
        QTest::newRow("edit undone") << QStringList{"edit", "undo"} << 0;
        QTest::newRow("edit undone and redone") << QStringList{"edit", "undo", "redo"} << 1;
        QTest::newRow("saved, then an edit undone") << QStringList{"edit", "save", "edit", "undo"} << 0;
        QTest::newRow("saved, then undone past it") << QStringList{"edit", "save", "undo"} << 1;
    }
    void closingAfterUndo()
    {
        QFETCH(QStringList, steps);
        FormFixture f;
        saveRoster("start.pd3", startRoster());
        f.writeSettings("[LAST]\r\nLastFile=start.pd3\r\n");
        TForm1& w = f.start();
        int edits = 0;
        for (const QString& step : steps) {
            if (step == "edit") {
                typeInto(f, w, 6, 1, QString::number(++edits));
            } else if (step == "save") {
                f.answers << f.dir.filePath("saved.pd3");
                w.Save1Click();
            } else {
                w.DrawGrid1->setFocus();
                key(Qt::Key_Z, step == "undo" ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
            }
        }
        w.close();
        w.FormDestroy();
        QTEST(int(f.recoveryFiles().size()), "copies");
    }
};

QTEST_MAIN(TstUndo)
#include "tst_undo.moc"
