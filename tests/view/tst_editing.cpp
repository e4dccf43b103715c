#include "common/formfixture.h"
#include "view/rostertable.h"
#include "platform/cp932.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

using namespace qvr;

// The editing rules themselves are tested on the editor controller alone
// (tst_celleditors); these keep what needs the main window around it.
class TstEditing : public QObject {
    Q_OBJECT
private slots:
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
        QCOMPARE(w.table().cellText(6, 1), QStringLiteral("* 1'23\"45"));
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
