#include "common/formfixture.h"
#include "platform/cp932.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>

using namespace qvr;

namespace {
void typeAndEnter(TForm1& w, const QString& text)
{
    QVERIFY(w.ME1->isVisible());
    FormFixture::type(w.ME1, text);
    QTest::keyClick(w.ME1, Qt::Key_Return);
}
} // namespace

class TstEditing : public QObject {
    Q_OBJECT
private slots:
    void nameInJapanese()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(3, 1);
        QVERIFY(w.ME1->hasFocus());
        QCOMPARE(w.ME1->width(), 120);
        typeAndEnter(w, QString::fromUtf8("ユキミ"));
        QVERIFY(!w.ME1->isVisible());
        QCOMPARE(std::string(w.roster[1]->nameText()), *cp932::encode(u"ユキミ"));
        QCOMPARE(w.cellText(3, 1), QString::fromUtf8("ユキミ"));
    }

    void nameLimitCountsBytes()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(3, 1);
        FormFixture::type(w.ME1, QString::fromUtf8("あいうえおかきくけこ")); // ten double-byte characters
        QCOMPARE(w.ME1->text(), QString::fromUtf8("あいうえおかきくけ"));
        QTest::keyClicks(w.ME1, QStringLiteral("z"));
        QCOMPARE(w.ME1->text().size(), 9);
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(w.roster[1]->nameText().size(), std::size_t(18));

        f.click(3, 2);
        QTest::keyClicks(w.ME1, QStringLiteral("abcdefghijklmnopq")); // 17 bytes
        FormFixture::type(w.ME1, QString::fromUtf8("あ")); // would make 19
        QTest::keyClicks(w.ME1, QStringLiteral("r"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(std::string(w.roster[2]->nameText()), std::string("abcdefghijklmnopqr"));
    }

    void charactersWithoutACodeAreRefused()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(3, 1);
        FormFixture::type(w.ME1, QString::fromUtf8("a😀é b"));
        QCOMPARE(w.ME1->text(), QStringLiteral("a b"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(std::string(w.roster[1]->nameText()), std::string("a b"));

        w.Panel4->show();
        w.Memo1->setFocus();
        w.Memo1->selectAll();
        w.Memo1->insertPlainText(QString::fromUtf8("x😀y"));
        QCOMPARE(w.Memo1->toPlainText(), QStringLiteral("xy"));
    }

    void stageTimeSetsTotalAndBest()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.setViewMode(1);
        w.roster[1]->ep1time[1] = 100;
        f.click(6, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("12345"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(w.roster[1]->ep1time[0], -5025); // stored 5025, then marked as the only time
        QCOMPARE(w.roster[1]->ep1time[9], 5125);
        QCOMPARE(w.best.ep1best[0], 5025);
        QCOMPARE(w.best.ep1best[9], 5025 + 100 + 7 * 7200);
        QCOMPARE(w.cellText(6, 1), QStringLiteral("* 1'23\"45"));
    }

    void unchangedTimeKeepsItsSeconds_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("after");
        QTest::newRow("plain") << 3725 << 3725;
        QTest::newRow("marked") << -65 << 65;
        QTest::newRow("ten hours") << 45296 << 45296;
        QTest::newRow("zero") << 0 << 0;
    }
    void unchangedTimeKeepsItsSeconds()
    {
        QFETCH(int, stored);
        QFETCH(int, after);
        FormFixture f;
        TForm1& w = f.start();
        w.setViewMode(2);
        w.roster[1]->ep2time[2] = stored;
        w.roster[1]->nocount = 1; // keeps the pass from marking it again
        f.click(8, 1);
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(w.roster[1]->ep2time[2], after);
        QCOMPARE(w.roster[1]->ep2time[5], std::abs(after));
    }

    void statusValue()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(8, 2);
        QTest::keyClicks(w.ME1, QStringLiteral("98765"));
        QCOMPARE(w.ME1->text(), QStringLiteral("9876"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(w.roster[2]->status[2], 9876);
    }

    void emptiedStatusIsReportedAndTheEditorStays()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.roster[1]->status[0] = 42;
        f.click(6, 1);
        QTest::keyClick(w.ME1, Qt::Key_Delete);
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(f.reports, QStringList{QString::fromUtf8("'' は整数ではありません.")});
        QVERIFY(w.ME1->isVisible());
        QCOMPARE(w.roster[1]->status[0], 42);
        // A click elsewhere is swallowed while the commit fails.
        f.click(3, 2);
        QCOMPARE(f.reports.size(), 2);
        QCOMPARE(w.currow, 1);
        QVERIFY(w.ME1->isVisible());
        // So is a view switch.
        w.SpeedButton4->click();
        QCOMPARE(w.dispmode, 0);
        QVERIFY(w.SpeedButton6->isChecked());
        QTest::keyClicks(w.ME1, QStringLiteral("7"));
        f.click(3, 2);
        QCOMPARE(w.roster[1]->status[0], 7);
        QCOMPARE(w.currow, 2);
    }

    void emptiedTimeStoresZero()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.setViewMode(1);
        w.roster[1]->ep1time[3] = 61;
        f.click(9, 1);
        // Every field blank but the mask's separators: an empty text stores 0.
        w.ME1->setText(QString());
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QVERIFY(f.reports.isEmpty());
        QCOMPARE(w.roster[1]->ep1time[3], 0);
    }

    void clickElsewhereCommitsToTheRecordItWasOpenedFor()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(7, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("55"));
        f.click(7, 2);
        QCOMPARE(w.roster[1]->status[1], 55);
        QCOMPARE(w.roster[2]->status[1], 0);
        QVERIFY(w.ME1->isVisible()); // now open for row 2
        QCOMPARE(w.currec, w.roster[2].get());
    }

    void viewSwitchCommitsUnderTheOldView()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(6, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("12"));
        w.SpeedButton4->click();
        QCOMPARE(w.roster[1]->status[0], 12);
        QCOMPARE(w.roster[1]->ep1time[0], 0);
        QCOMPARE(w.dispmode, 1);
        QVERIFY(!w.ME1->isVisible());
    }

    void lockedRecordTakesOnlyTheUnlockingClick()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(1, 1);
        QCOMPARE(w.roster[1]->lock, 1);
        QVERIFY(!w.ME1->isVisible());
        f.click(3, 1);
        QVERIFY(!w.ME1->isVisible());
        f.click(2, 1);
        QCOMPARE(w.roster[1]->nocount, 0);
        f.click(5, 1);
        QVERIFY(!w.LBType->isVisible());
        f.click(1, 1);
        QCOMPARE(w.roster[1]->lock, 0);
        f.click(2, 1);
        QCOMPARE(w.roster[1]->nocount, 1);
    }

    void doubleClickTogglesTwice()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.doubleClick(2, 2);
        QCOMPARE(w.roster[2]->nocount, 0);
        f.doubleClick(1, 2);
        QCOMPARE(w.roster[2]->lock, 0);
    }

    void rightClickSelectsAndLoadsTheMemoOnly()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.roster[2]->memo = "one\r\ntwo";
        f.click(2, 2, Qt::RightButton);
        QCOMPARE(w.currow, 2);
        QCOMPARE(w.currec, w.roster[2].get());
        QCOMPARE(w.Memo1->toPlainText(), QStringLiteral("one\ntwo"));
        QCOMPARE(w.roster[2]->nocount, 0);
        f.click(3, 2, Qt::RightButton);
        QVERIFY(!w.ME1->isVisible());
    }

    void headerClickChangesNothing()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(3, 0);
        QVERIFY(!w.ME1->isVisible());
        QCOMPARE(w.currec, w.roster[0].get());
        QCOMPARE(w.Memo1->toPlainText(), QStringLiteral("Memo1"));
        QTest::mouseClick(
            w.DrawGrid1->viewport(), Qt::LeftButton, {}, QPoint(200, w.DrawGrid1->viewport()->height() - 5));
        QCOMPARE(w.currec, w.roster[0].get());
    }

    void pickers_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("item");
        QTest::newRow("section ID") << 4 << 7;
        QTest::newRow("class") << 5 << 10;
    }
    void pickers()
    {
        QFETCH(int, col);
        QFETCH(int, item);
        FormFixture f;
        TForm1& w = f.start();
        w.roster[1]->id = 2;
        w.roster[1]->wtype = 3;
        f.click(col, 1);
        QListWidget* picker = col == 4 ? w.LBID : w.LBType;
        QVERIFY(picker->isVisible());
        QCOMPARE(picker->currentRow(), col == 4 ? 2 : 3);
        const QRect itemRect = picker->visualItemRect(picker->item(item));
        QTest::mouseClick(picker->viewport(), Qt::LeftButton, {}, itemRect.center());
        QVERIFY(!picker->isVisible());
        QCOMPARE(col == 4 ? w.roster[1]->id : w.roster[1]->wtype, item);

        // Leaving it without a choice changes nothing.
        f.click(col, 2);
        QVERIFY(picker->isVisible());
        f.click(3, 1);
        QVERIFY(!picker->isVisible());
        QCOMPARE(col == 4 ? w.roster[2]->id : w.roster[2]->wtype, 0);
    }

    void memoIsStoredWithCrLf()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.SpeedButton1->click();
        QVERIFY(w.Panel4->isVisible());
        QVERIFY(w.SpeedButton1->isChecked());
        f.click(0, 1);
        w.Memo1->setFocus();
        w.Memo1->selectAll();
        FormFixture::type(w.Memo1, QString::fromUtf8("一行目"));
        QTest::keyClick(w.Memo1, Qt::Key_Return);
        QTest::keyClicks(w.Memo1, QStringLiteral("two"));
        f.click(0, 2);
        QCOMPARE(w.roster[1]->memo, *cp932::encode(u"一行目") + "\r\ntwo");
        QCOMPARE(w.Memo1->toPlainText(), QString());
        w.SpeedButton1->click();
        QVERIFY(!w.Panel4->isVisible());
    }

    void memoBeforeTheFirstClickGoesToThePlaceholder()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.Panel4->show();
        w.Memo1->setFocus();
        QTest::keyClick(w.Memo1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(w.Memo1, QStringLiteral("!"));
        w.DrawGrid1->setFocus();
        QCOMPARE(w.roster[0]->memo, std::string("Memo1!"));
    }
};

QTEST_MAIN(TstEditing)
#include "tst_editing.moc"
