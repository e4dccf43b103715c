// The roster table driven by the keyboard alone, without the main window: every
// key goes to the widget that has the focus, and the records are checked.

#include "common/focuskeys.h"
#include "common/tablefixture.h"

using namespace qvr;

namespace {

// Everything a click on a cell can change, side by side.
QStringList afterClick(TableFixture& h)
{
    const auto row = [&](const CharRecord* rec) {
        for (std::size_t i = 0; i < h.sheet.roster.size(); ++i)
            if (h.sheet.roster[i].get() == rec)
                return static_cast<int>(i);
        return -1;
    };
    const auto picker = [](const QListWidget* list) {
        return list->isVisible() ? QString::number(list->currentRow()) : QStringLiteral("closed");
    };
    const CellEditors& e = *h.editors;
    return {QStringLiteral("current %1,%2 record %3").arg(h.pressedCol).arg(h.sheet.currow).arg(row(h.sheet.currec)),
        QStringLiteral("lock %1 nocount %2").arg(h.rec(2).lock).arg(h.rec(2).nocount),
        e.ME1->isVisible() ? QStringLiteral("editor %1").arg(e.ME1->text()) : QStringLiteral("editor closed"),
        QStringLiteral("ID picker %1, class picker %2").arg(picker(e.LBID), picker(e.LBType)),
        QStringLiteral("memo %1").arg(h.memo->toPlainText())};
}

// The table in a view with row 2 filled, the grid holding the focus.
void prepare(TableFixture& h, ViewMode view)
{
    CharRecord& rec = h.rec(2);
    rec.setName("Kestrel");
    rec.id = 3;
    rec.wtype = 5;
    rec.status[8] = 77;
    rec.ep1time[9] = 3725;
    rec.ep2time[1] = 65;
    rec.memo = "fast\r\nlocked once";
    h.table->setView(view);
    h.grid->setFocus();
}

} // namespace

class TstTableKeys : public QObject {
    Q_OBJECT
private slots:
    void f2OrEnterIsAClickOnTheHighlightedCell_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("press");
        QTest::newRow("lock, Enter") << 0 << 1 << int(Qt::Key_Return);
        QTest::newRow("leave out, F2") << 0 << 2 << int(Qt::Key_F2);
        QTest::newRow("name, F2") << 0 << 3 << int(Qt::Key_F2);
        QTest::newRow("section ID, Enter") << 0 << 4 << int(Qt::Key_Enter);
        QTest::newRow("class, F2") << 0 << 5 << int(Qt::Key_F2);
        QTest::newRow("last status, Enter") << 0 << 14 << int(Qt::Key_Return);
        QTest::newRow("EP1 total, F2") << 1 << 15 << int(Qt::Key_F2);
        QTest::newRow("EP2 stage, Enter") << 2 << 7 << int(Qt::Key_Return);
    }
    void f2OrEnterIsAClickOnTheHighlightedCell()
    {
        QFETCH(int, view);
        QFETCH(int, col);
        QFETCH(int, press);
        QStringList byMouse;
        {
            TableFixture h;
            prepare(h, static_cast<ViewMode>(view));
            h.click(col, 2);
            byMouse = afterClick(h);
        }
        TableFixture h;
        prepare(h, static_cast<ViewMode>(view));
        arrowTo(*h.grid, col, 2);
        // Moving the highlight alone picks no record.
        QCOMPARE(h.sheet.currow, 1);
        QCOMPARE(h.sheet.currec, h.sheet.roster[0].get());
        key(press);
        QCOMPARE(afterClick(h), byMouse);
    }

    void timesTypedFromTheKeyboard()
    {
        TableFixture h;
        prepare(h, ViewMode::Ep1);
        arrowTo(*h.grid, 6, 1);
        key(Qt::Key_F2);
        QCOMPARE(QApplication::focusWidget(), h.editors->ME1);
        typeText(QStringLiteral("12345"));
        key(Qt::Key_Return);
        QCOMPARE(h.rec(1).ep1time[0], -5025); // the only time, so the best
        QCOMPARE(h.rec(1).ep1time[9], 5025);
        QCOMPARE(QApplication::focusWidget(), h.grid);
        key(Qt::Key_Right);
        key(Qt::Key_Return);
        typeText(QStringLiteral("130"));
        key(Qt::Key_Return);
        QCOMPARE(h.rec(1).ep1time[1], -90);
        QCOMPARE(h.rec(1).ep1time[9], 5115);
    }

    void lockAndLeaveOutFromTheKeyboard()
    {
        TableFixture h;
        h.grid->setFocus();
        arrowTo(*h.grid, LockColumn, 2);
        key(Qt::Key_Return);
        QCOMPARE(h.rec(2).lock, 1);
        key(Qt::Key_Right);
        key(Qt::Key_Return); // a locked row takes no edit
        QCOMPARE(h.rec(2).nocount, 0);
        key(Qt::Key_Left);
        key(Qt::Key_F2);
        QCOMPARE(h.rec(2).lock, 0);
        key(Qt::Key_Right);
        key(Qt::Key_F2);
        QCOMPARE(h.rec(2).nocount, 1);
    }

    void pickersFromTheKeyboard_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("last"); // the key that ends the choice
        QTest::addColumn<int>("after");
        QTest::newRow("section ID chosen") << int(IdColumn) << int(Qt::Key_Return) << 5;
        QTest::newRow("class chosen") << int(ClassColumn) << int(Qt::Key_Enter) << 5;
        QTest::newRow("section ID left alone") << int(IdColumn) << int(Qt::Key_Escape) << 3;
        QTest::newRow("class left alone") << int(ClassColumn) << int(Qt::Key_Escape) << 3;
    }
    void pickersFromTheKeyboard()
    {
        QFETCH(int, col);
        QFETCH(int, last);
        QFETCH(int, after);
        TableFixture h;
        h.rec(1).id = 3;
        h.rec(1).wtype = 3;
        h.grid->setFocus();
        QListWidget* picker = col == IdColumn ? h.editors->LBID : h.editors->LBType;
        arrowTo(*h.grid, col, 1);
        key(Qt::Key_F2);
        QVERIFY(picker->isVisible());
        QCOMPARE(QApplication::focusWidget(), picker);
        QCOMPARE(picker->currentRow(), 3);
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(last);
        QVERIFY(!picker->isVisible());
        QCOMPARE(col == IdColumn ? h.rec(1).id : h.rec(1).wtype, after);
        QCOMPARE(QApplication::focusWidget(), h.grid);
    }

    void escapePutsBackTheOpeningText_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("typed");
        QTest::newRow("name") << 0 << 3 << "Finch";
        QTest::newRow("status") << 0 << 6 << "7";
        QTest::newRow("EP1 time") << 1 << 6 << "5";
        QTest::newRow("EP2 time") << 2 << 8 << "1";
    }
    void escapePutsBackTheOpeningText()
    {
        QFETCH(int, view);
        QFETCH(int, col);
        QFETCH(QString, typed);
        TableFixture h(static_cast<ViewMode>(view));
        CharRecord& rec = h.rec(1);
        rec.setName("Kestrel");
        rec.status[0] = 42;
        rec.ep1time[0] = 3725;
        rec.ep2time[2] = 65;
        rec.nocount = 1; // keeps the best pass from marking the times
        h.grid->setFocus();
        arrowTo(*h.grid, col, 1);
        key(Qt::Key_F2);
        QLineEdit* editor = h.editors->ME1;
        const QString opening = editor->displayText();
        typeText(typed); // over the whole text, selected on opening
        QVERIFY(editor->displayText() != opening);
        key(Qt::Key_Escape);
        QVERIFY(editor->isVisible());
        QCOMPARE(QApplication::focusWidget(), editor);
        QCOMPARE(editor->displayText(), opening);
        key(Qt::Key_Return);
        QVERIFY(!editor->isVisible());
        QCOMPARE(std::string(rec.nameText()), std::string("Kestrel"));
        QCOMPARE(rec.status[0], 42);
        QCOMPARE(rec.ep1time[0], 3725);
        QCOMPARE(rec.ep2time[2], 65);
    }

    void menuKeyIsARightClick_data()
    {
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }
    void menuKeyIsARightClick()
    {
        QFETCH(int, press);
        QFETCH(int, modifiers);
        TableFixture h;
        prepare(h, ViewMode::State);
        arrowTo(*h.grid, LockColumn, 2);
        key(press, Qt::KeyboardModifiers(modifiers));
        // The row is now the one the row operations act on; the right click toggles nothing.
        QCOMPARE(h.sheet.currow, 2);
        QCOMPARE(h.sheet.currec, &h.rec(2));
        QCOMPARE(h.memo->toPlainText(), QStringLiteral("fast\nlocked once"));
        QCOMPARE(h.rec(2).lock, 0);
    }
};

QTEST_MAIN(TstTableKeys)
#include "tst_tablekeys.moc"
