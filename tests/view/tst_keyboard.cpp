// The real window driven by the keyboard alone: every key goes to the widget that
// has the focus, as it would from a keyboard, and the records are checked.
#include "common/formfixture.h"
#include "platform/cp932.h"
#include "roster/rosterfile.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QToolButton>

using namespace qvr;

namespace {

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus, "no widget has the focus");
    QTest::keyClick(focus, static_cast<Qt::Key>(k), modifiers);
}

void typeText(const QString& text)
{
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus, "no widget has the focus");
    QTest::keyClicks(focus, text);
}

// From the highlight's place to (col, row) by arrow keys.
void arrowTo(TForm1& w, int col, int row)
{
    while (w.DrawGrid1->col() < col)
        key(Qt::Key_Right);
    while (w.DrawGrid1->col() > col)
        key(Qt::Key_Left);
    while (w.DrawGrid1->row() < row)
        key(Qt::Key_Down);
    while (w.DrawGrid1->row() > row)
        key(Qt::Key_Up);
}

// Everything a click on a cell can change, side by side.
QStringList afterClick(const TForm1& w)
{
    const auto row = [&](const CharRecord* rec) {
        for (std::size_t i = 0; i < w.roster.size(); ++i)
            if (w.roster[i].get() == rec)
                return static_cast<int>(i);
        return -1;
    };
    const auto picker = [](const QListWidget* list) {
        return list->isVisible() ? QString::number(list->currentRow()) : QStringLiteral("closed");
    };
    return {QStringLiteral("current %1,%2 record %3").arg(w.curcol).arg(w.currow).arg(row(w.currec)),
        QStringLiteral("lock %1 nocount %2").arg(w.roster[2]->lock).arg(w.roster[2]->nocount),
        w.ME1->isVisible() ? QStringLiteral("editor %1").arg(w.ME1->text()) : QStringLiteral("editor closed"),
        QStringLiteral("ID picker %1, class picker %2").arg(picker(w.LBID), picker(w.LBType)),
        QStringLiteral("memo %1").arg(w.Memo1->toPlainText())};
}

void fillRowTwo(TForm1& w)
{
    CharRecord& rec = *w.roster[2];
    rec.setName("Kestrel");
    rec.id = 3;
    rec.wtype = 5;
    rec.status[8] = 77;
    rec.ep1time[9] = 3725;
    rec.ep2time[1] = 65;
    rec.memo = "fast\r\nlocked once";
    w.repaintGrid();
}

} // namespace

class TstKeyboard : public QObject {
    Q_OBJECT
private slots:
    void theGridHasTheFocusAtStart()
    {
        FormFixture f;
        TForm1& w = f.start();
        QCOMPARE(QApplication::focusWidget(), w.DrawGrid1);
    }

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
            FormFixture f;
            TForm1& w = f.start();
            fillRowTwo(w);
            w.setViewMode(view);
            f.click(col, 2);
            byMouse = afterClick(w);
        }
        FormFixture f;
        TForm1& w = f.start();
        fillRowTwo(w);
        w.setViewMode(view);
        arrowTo(w, col, 2);
        // Moving the highlight alone picks no record.
        QCOMPARE(w.currow, 1);
        QCOMPARE(w.currec, w.roster[0].get());
        key(press);
        QCOMPARE(afterClick(w), byMouse);
    }

    void timesTypedFromTheKeyboard()
    {
        FormFixture f;
        TForm1& w = f.start();
        key(Qt::Key_2, Qt::ControlModifier);
        QTRY_COMPARE(w.dispmode, 1);
        QVERIFY(w.SpeedButton4->isChecked());
        arrowTo(w, 6, 1);
        key(Qt::Key_F2);
        QCOMPARE(QApplication::focusWidget(), w.ME1);
        typeText(QStringLiteral("12345"));
        key(Qt::Key_Return);
        QCOMPARE(w.roster[1]->ep1time[0], -5025); // the only time, so the best
        QCOMPARE(w.roster[1]->ep1time[9], 5025);
        QCOMPARE(QApplication::focusWidget(), w.DrawGrid1);
        key(Qt::Key_Right);
        key(Qt::Key_Return);
        typeText(QStringLiteral("130"));
        key(Qt::Key_Return);
        QCOMPARE(w.roster[1]->ep1time[1], -90);
        QCOMPARE(w.roster[1]->ep1time[9], 5115);
        // Ctrl+3 and Ctrl+1 are the other two views.
        key(Qt::Key_3, Qt::ControlModifier);
        QTRY_COMPARE(w.dispmode, 2);
        key(Qt::Key_1, Qt::ControlModifier);
        QTRY_COMPARE(w.dispmode, 0);
    }

    void lockAndLeaveOutFromTheKeyboard()
    {
        FormFixture f;
        TForm1& w = f.start();
        arrowTo(w, 1, 2);
        key(Qt::Key_Return);
        QCOMPARE(w.roster[2]->lock, 1);
        key(Qt::Key_Right);
        key(Qt::Key_Return); // a locked row takes no edit
        QCOMPARE(w.roster[2]->nocount, 0);
        key(Qt::Key_Left);
        key(Qt::Key_F2);
        QCOMPARE(w.roster[2]->lock, 0);
        key(Qt::Key_Right);
        key(Qt::Key_F2);
        QCOMPARE(w.roster[2]->nocount, 1);
    }

    void pickersFromTheKeyboard_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("last"); // the key that ends the choice
        QTest::addColumn<int>("after");
        QTest::newRow("section ID chosen") << 4 << int(Qt::Key_Return) << 5;
        QTest::newRow("class chosen") << 5 << int(Qt::Key_Enter) << 5;
        QTest::newRow("section ID left alone") << 4 << int(Qt::Key_Escape) << 3;
        QTest::newRow("class left alone") << 5 << int(Qt::Key_Escape) << 3;
    }
    void pickersFromTheKeyboard()
    {
        QFETCH(int, col);
        QFETCH(int, last);
        QFETCH(int, after);
        FormFixture f;
        TForm1& w = f.start();
        w.roster[1]->id = 3;
        w.roster[1]->wtype = 3;
        QListWidget* picker = col == 4 ? w.LBID : w.LBType;
        arrowTo(w, col, 1);
        key(Qt::Key_F2);
        QVERIFY(picker->isVisible());
        QCOMPARE(QApplication::focusWidget(), picker);
        QCOMPARE(picker->currentRow(), 3);
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(last);
        QVERIFY(!picker->isVisible());
        QCOMPARE(col == 4 ? w.roster[1]->id : w.roster[1]->wtype, after);
        QCOMPARE(QApplication::focusWidget(), w.DrawGrid1);
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
        FormFixture f;
        TForm1& w = f.start();
        CharRecord& rec = *w.roster[1];
        rec.setName("Kestrel");
        rec.status[0] = 42;
        rec.ep1time[0] = 3725;
        rec.ep2time[2] = 65;
        rec.nocount = 1; // keeps the best pass from marking the times
        w.setViewMode(view);
        arrowTo(w, col, 1);
        key(Qt::Key_F2);
        const QString opening = w.ME1->displayText();
        typeText(typed); // over the whole text, selected on opening
        QVERIFY(w.ME1->displayText() != opening);
        key(Qt::Key_Escape);
        QVERIFY(w.ME1->isVisible());
        QCOMPARE(QApplication::focusWidget(), w.ME1);
        QCOMPARE(w.ME1->displayText(), opening);
        key(Qt::Key_Return);
        QVERIFY(!w.ME1->isVisible());
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
        FormFixture f;
        TForm1& w = f.start();
        fillRowTwo(w);
        arrowTo(w, 1, 2);
        key(press, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.currow, 2);
        QCOMPARE(w.currec, w.roster[2].get());
        QCOMPARE(w.Memo1->toPlainText(), QStringLiteral("fast\nlocked once"));
        QCOMPARE(w.roster[2]->lock, 0);
        // The row is now the one Delete acts on.
        key(Qt::Key_Delete);
        QCOMPARE(w.roster.size(), std::size_t(2));
        QCOMPARE(w.deleted.size(), std::size_t(1));
        QCOMPARE(std::string(w.deleted[0]->nameText()), std::string("Kestrel"));
    }

    void saveAndLoadFromTheKeyboard()
    {
        FormFixture f;
        TForm1& w = f.start();
        arrowTo(w, 3, 1);
        key(Qt::Key_F2);
        typeText(QStringLiteral("Kestrel"));
        key(Qt::Key_Return);
        const QString file = f.dir.filePath(QStringLiteral("keys.pd3"));
        f.answers << file;
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.dialogFilters, QStringList{"QVRUTL_Ver3(*.pd3)|*.pd3"});
        Roster saved;
        QCOMPARE(qvr::loadRoster(file.toStdString(), saved), LoadResult::Loaded);
        QCOMPARE(std::string(saved[1]->nameText()), std::string("Kestrel"));

        w.roster[1]->setName("Other");
        f.answers << file;
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.dialogFilters.size(), 2);
        QCOMPARE(std::string(w.roster[1]->nameText()), std::string("Kestrel"));
    }

    void menusOpenWithAltKeys_data()
    {
        QTest::addColumn<int>("letter");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::newRow("File") << int(Qt::Key_F) << "File1"
                              << "File";
        QTest::newRow("Option") << int(Qt::Key_O) << "Option1"
                                << "Option";
    }
    void menusOpenWithAltKeys()
    {
        QFETCH(int, letter);
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        FormFixture f;
        TForm1& w = f.start();
        auto* popup = w.findChild<QMenu*>(menu);
        QVERIFY(popup);
        QCOMPARE(popup->menuAction()->iconText(), caption); // the caption as shown
        key(letter, Qt::AltModifier);
        QTRY_VERIFY(popup->isVisible());
        popup->close();
    }

    // From an empty start to a saved roster, without the mouse.
    void aRosterKeptWithTheKeyboardAlone()
    {
        FormFixture f;
        TForm1& w = f.start();
        QCOMPARE(w.roster.size(), std::size_t(3));
        key(Qt::Key_Home); // adds row 3
        QCOMPARE(w.roster.size(), std::size_t(4));
        arrowTo(w, 3, 3);
        key(Qt::Key_F2);
        FormFixture::type(QApplication::focusWidget(), QString::fromUtf8("ユキミ"));
        key(Qt::Key_Return);
        key(Qt::Key_Right);
        key(Qt::Key_F2); // section ID
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        key(Qt::Key_Right);
        key(Qt::Key_F2); // class
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        key(Qt::Key_Right);
        key(Qt::Key_F2); // Lv
        typeText(QStringLiteral("42"));
        key(Qt::Key_Return);
        key(Qt::Key_2, Qt::ControlModifier);
        QTRY_COMPARE(w.dispmode, 1);
        key(Qt::Key_F2); // C1
        typeText(QStringLiteral("12345"));
        key(Qt::Key_Return);
        arrowTo(w, 1, 3);
        key(Qt::Key_Return); // lock
        const QString file = f.dir.filePath(QStringLiteral("kept.pd3"));
        f.answers << file;
        key(Qt::Key_S, Qt::ControlModifier);

        Roster saved;
        QCOMPARE(qvr::loadRoster(file.toStdString(), saved), LoadResult::Loaded);
        QCOMPARE(saved.size(), std::size_t(4));
        const CharRecord& rec = *saved[3];
        QCOMPARE(std::string(rec.nameText()), *cp932::encode(u"ユキミ"));
        QCOMPARE(rec.id, 2);
        QCOMPARE(rec.wtype, 1);
        QCOMPARE(rec.status[0], 42);
        QCOMPARE(rec.ep1time[0], -5025);
        QCOMPARE(rec.ep1time[9], 5025);
        QCOMPARE(rec.lock, 1);
        QCOMPARE(f.reports, QStringList());
    }
};

QTEST_MAIN(TstKeyboard)
#include "tst_keyboard.moc"
