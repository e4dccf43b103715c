// The editing rules on the roster table alone: a grid, a memo box and the
// document, wired as the main window wires them, without the main window.

#include "common/tablefixture.h"
#include "platform/cp932.h"
#include "roster/rosterfile.h"

#include <QTemporaryDir>

using namespace qvr;

class TstCellEditors : public QObject {
    Q_OBJECT
private slots:
    void nameInJapanese()
    {
        TableFixture h;
        h.click(NameColumn, 1);
        QVERIFY(h.editors->ME1->hasFocus());
        QCOMPARE(h.editors->ME1->width(), 120);
        typeAsInputMethod(h.editors->ME1, QString::fromUtf8("ユキミ"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QVERIFY(!h.editors->ME1->isVisible());
        QCOMPARE(std::string(h.rec(1).nameText()), *cp932::encode(u"ユキミ"));
        QCOMPARE(cellText(h.rec(1), ViewMode::State, NameColumn, 1), QString::fromUtf8("ユキミ"));
    }

    void nameLimitCountsBytes()
    {
        TableFixture h;
        h.click(NameColumn, 1);
        typeAsInputMethod(h.editors->ME1, QString::fromUtf8("あいうえおかきくけこ")); // ten double-byte characters
        QCOMPARE(h.editors->ME1->text(), QString::fromUtf8("あいうえおかきくけ"));
        QTest::keyClicks(h.editors->ME1, QStringLiteral("z"));
        QCOMPARE(h.editors->ME1->text().size(), 9);
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(h.rec(1).nameText().size(), std::size_t(18));

        h.click(NameColumn, 2);
        QTest::keyClicks(h.editors->ME1, QStringLiteral("abcdefghijklmnopq")); // 17 bytes
        typeAsInputMethod(h.editors->ME1, QString::fromUtf8("あ")); // would make 19
        QTest::keyClicks(h.editors->ME1, QStringLiteral("r"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(std::string(h.rec(2).nameText()), std::string("abcdefghijklmnopqr"));
    }

    void charactersWithoutACodeAreRefused()
    {
        TableFixture h;
        h.click(NameColumn, 1);
        typeAsInputMethod(h.editors->ME1, QString::fromUtf8("a😀é b"));
        QCOMPARE(h.editors->ME1->text(), QStringLiteral("a b"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(std::string(h.rec(1).nameText()), std::string("a b"));

        h.memo->setFocus();
        h.memo->selectAll();
        h.memo->insertPlainText(QString::fromUtf8("x😀y"));
        QCOMPARE(h.memo->toPlainText(), QStringLiteral("xy"));
    }

    void unchangedTimeKeepsItsSeconds_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("after");
        QTest::newRow("plain") << 3725 << 3725;
        QTest::newRow("marked") << -65 << 65;
        QTest::newRow("ten hours") << 45296 << 45296;
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("lowest value") << INT32_MIN << 87247; // shown as the highest: 24 hours, 14:07
    }
    void unchangedTimeKeepsItsSeconds()
    {
        QFETCH(int, stored);
        QFETCH(int, after);
        TableFixture h(ViewMode::Ep2);
        h.rec(1).ep2time[2] = stored;
        h.rec(1).nocount = 1; // keeps the pass from marking it again
        h.click(FirstValueColumn + 2, 1);
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(h.rec(1).ep2time[2], after);
        QCOMPARE(h.rec(1).ep2time[5], std::abs(after));
    }

    void statusValue()
    {
        TableFixture h;
        h.click(FirstValueColumn + 2, 2);
        QTest::keyClicks(h.editors->ME1, QStringLiteral("98765"));
        QCOMPARE(h.editors->ME1->text(), QStringLiteral("9876"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(h.rec(2).status[2], 9876);
    }

    void emptiedTimeStoresZero()
    {
        TableFixture h(ViewMode::Ep1);
        h.rec(1).ep1time[3] = 61;
        h.click(FirstValueColumn + 3, 1);
        // Every field blank but the mask's separators: an empty text stores 0.
        h.editors->ME1->setText(QString());
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QVERIFY(h.reports.isEmpty());
        QCOMPARE(h.rec(1).ep1time[3], 0);
    }

    void escapeRestoresTheOpeningText()
    {
        TableFixture h;
        h.rec(1).status[1] = 31;
        h.click(FirstValueColumn + 1, 1);
        QTest::keyClicks(h.editors->ME1, QStringLiteral("77"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Escape);
        QVERIFY(h.editors->ME1->isVisible());
        QCOMPARE(h.editors->ME1->text(), QStringLiteral("31"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(h.rec(1).status[1], 31);
        QVERIFY(!h.sheet.modified());
    }

    void clickElsewhereCommitsToTheRecordItWasOpenedFor()
    {
        TableFixture h;
        h.click(FirstValueColumn + 1, 1);
        QTest::keyClicks(h.editors->ME1, QStringLiteral("55"));
        h.click(FirstValueColumn + 1, 2);
        QCOMPARE(h.rec(1).status[1], 55);
        QCOMPARE(h.rec(2).status[1], 0);
        QVERIFY(h.editors->ME1->isVisible()); // now open for row 2
        QCOMPARE(h.sheet.currec, &h.rec(2));
    }

    void lockedRecordTakesOnlyTheUnlockingClick()
    {
        TableFixture h;
        h.click(LockColumn, 1);
        QCOMPARE(h.rec(1).lock, 1);
        QVERIFY(!h.editors->ME1->isVisible());
        h.click(NameColumn, 1);
        QVERIFY(!h.editors->ME1->isVisible());
        h.click(NoCountColumn, 1);
        QCOMPARE(h.rec(1).nocount, 0);
        h.click(ClassColumn, 1);
        QVERIFY(!h.editors->LBType->isVisible());
        h.click(LockColumn, 1);
        QCOMPARE(h.rec(1).lock, 0);
        h.click(NoCountColumn, 1);
        QCOMPARE(h.rec(1).nocount, 1);
    }

    void pickers_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("item");
        QTest::newRow("section ID") << int(IdColumn) << 7;
        QTest::newRow("class") << int(ClassColumn) << 10;
    }
    void pickers()
    {
        QFETCH(int, col);
        QFETCH(int, item);
        TableFixture h;
        const bool id = col == IdColumn;
        h.rec(1).id = 2;
        h.rec(1).wtype = 3;
        h.click(col, 1);
        QListWidget* picker = id ? h.editors->LBID : h.editors->LBType;
        QVERIFY(picker->isVisible());
        QCOMPARE(picker->currentRow(), id ? 2 : 3);
        const QRect itemRect = picker->visualItemRect(picker->item(item));
        QTest::mouseClick(picker->viewport(), Qt::LeftButton, {}, itemRect.center());
        QVERIFY(!picker->isVisible());
        QCOMPARE(id ? h.rec(1).id : h.rec(1).wtype, item);

        // Leaving it without a choice changes nothing, nor does Escape.
        h.click(col, 2);
        QVERIFY(picker->isVisible());
        h.click(NameColumn, 1);
        QVERIFY(!picker->isVisible());
        h.click(col, 2);
        QTest::keyClick(picker, Qt::Key_Down);
        QTest::keyClick(picker, Qt::Key_Escape);
        QVERIFY(!picker->isVisible());
        QCOMPARE(id ? h.rec(2).id : h.rec(2).wtype, 0);
    }

    void emptiedStatusIsReportedAndTheEditorStays()
    {
        TableFixture h;
        h.rec(1).status[0] = 42;
        h.click(FirstValueColumn, 1);
        QTest::keyClick(h.editors->ME1, Qt::Key_Delete);
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(h.reports, QStringList{QString::fromUtf8("'' は整数ではありません.")});
        QVERIFY(h.editors->ME1->isVisible());
        QCOMPARE(h.rec(1).status[0], 42);
        // A click elsewhere is swallowed while the commit fails.
        h.click(NameColumn, 2);
        QCOMPARE(h.reports.size(), 2);
        QCOMPARE(h.sheet.currow, 1);
        QVERIFY(h.editors->ME1->isVisible());
        QTest::keyClicks(h.editors->ME1, QStringLiteral("7"));
        h.click(NameColumn, 2);
        QCOMPARE(h.rec(1).status[0], 7);
        QCOMPARE(h.sheet.currow, 2);
    }

    void doubleClickTogglesTwice()
    {
        TableFixture h;
        h.doubleClick(NoCountColumn, 2);
        QCOMPARE(h.rec(2).nocount, 0);
        h.doubleClick(LockColumn, 2);
        QCOMPARE(h.rec(2).lock, 0);
    }

    void rightClickSelectsAndLoadsTheMemoOnly()
    {
        TableFixture h;
        h.rec(2).memo = "one\r\ntwo";
        h.click(NoCountColumn, 2, Qt::RightButton);
        QCOMPARE(h.sheet.currow, 2);
        QCOMPARE(h.sheet.currec, &h.rec(2));
        QCOMPARE(h.memo->toPlainText(), QStringLiteral("one\ntwo"));
        QCOMPARE(h.rec(2).nocount, 0);
        h.click(NameColumn, 2, Qt::RightButton);
        QVERIFY(!h.editors->ME1->isVisible());
    }

    void headerClickChangesNothing()
    {
        TableFixture h;
        h.click(NameColumn, 0);
        QVERIFY(!h.editors->ME1->isVisible());
        QCOMPARE(h.sheet.currec, &h.rec(0));
        QCOMPARE(h.memo->toPlainText(), QStringLiteral("Memo1"));
        QTest::mouseClick(h.grid->viewport(), Qt::LeftButton, {}, QPoint(200, h.grid->viewport()->height() - 5));
        QCOMPARE(h.sheet.currec, &h.rec(0));
    }

    void memoIsStoredWithCrLf()
    {
        TableFixture h;
        h.click(NumberColumn, 1);
        h.memo->setFocus();
        h.memo->selectAll();
        typeAsInputMethod(h.memo, QString::fromUtf8("一行目"));
        QTest::keyClick(h.memo, Qt::Key_Return);
        QTest::keyClicks(h.memo, QStringLiteral("two"));
        h.click(NumberColumn, 2);
        QCOMPARE(h.rec(1).memo, *cp932::encode(u"一行目") + "\r\ntwo");
        QCOMPARE(h.memo->toPlainText(), QString());
    }

    // The record clicked before a load is no longer in the roster; a memo typed
    // then reaches none of the loaded records.
    void memoAfterALoadReachesNoDiscardedRecord()
    {
        TableFixture h;
        QTemporaryDir dir;
        const std::string next = dir.filePath(QStringLiteral("next.pd3")).toStdString();
        Roster loaded = makeRoster(4);
        loaded[1]->setName("Next");
        saveRoster(next, loaded);
        h.click(NameColumn, 1);
        h.sheet.load(next);
        h.memo->setFocus();
        QTest::keyClicks(h.memo, "typed");
        h.grid->setFocus();
        for (const auto& rec : h.sheet.roster)
            QCOMPARE(rec->memo, std::string());
        h.click(NameColumn, 2);
        QCOMPARE(h.sheet.currec, &h.rec(2));
    }

    void memoBeforeTheFirstClickGoesToThePlaceholder()
    {
        TableFixture h;
        h.memo->setFocus();
        QTest::keyClick(h.memo, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(h.memo, QStringLiteral("!"));
        h.grid->setFocus();
        QCOMPARE(h.rec(0).memo, std::string("Memo1!"));
    }
};

QTEST_MAIN(TstCellEditors)
#include "tst_celleditors.moc"
