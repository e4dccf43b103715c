#include "common/formfixture.h"
#include "view/rostertable.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

using namespace qvr;

// The editing rules themselves are tested on the roster table alone
// (tst_celleditors); these keep what the main window wires around it: the strip
// after a commit, the view buttons and the memo button.
class TstEditing : public QObject {
    Q_OBJECT
private slots:
    void stageTimeSetsTotalAndBest()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.setViewMode(1);
        w.rosterSheet.roster[1]->ep1time[1] = 100;
        f.click(6, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("12345"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(w.rosterSheet.roster[1]->ep1time[0], -5025); // stored 5025, then marked as the only time
        QCOMPARE(w.rosterSheet.roster[1]->ep1time[9], 5125);
        QCOMPARE(w.rosterSheet.best.ep1best[0], 5025);
        QCOMPARE(w.rosterSheet.best.ep1best[9], 5025 + 100 + 7 * 7200);
        QCOMPARE(w.table().cellText(6, 1), QStringLiteral("* 1'23\"45"));
        // The commit redrew the strip.
        QCOMPARE(w.Image1->shownView(), ViewMode::Ep1);
        QCOMPARE(w.Image1->shownBest().ep1best[0], 5025);
    }

    // A view button commits an open edit under the old view; an edit that cannot be
    // committed keeps the view and its button.
    void viewSwitchCommitsUnderTheOldView()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(6, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("12"));
        w.SpeedButton4->click();
        QCOMPARE(w.rosterSheet.roster[1]->status[0], 12);
        QCOMPARE(w.rosterSheet.roster[1]->ep1time[0], 0);
        QCOMPARE(w.dispmode, 1);
        QVERIFY(!w.ME1->isVisible());

        w.SpeedButton6->click();
        f.click(6, 1);
        QTest::keyClick(w.ME1, Qt::Key_Delete);
        w.SpeedButton4->click();
        QCOMPARE(f.reports, QStringList{QString::fromUtf8("'' は整数ではありません.")});
        QCOMPARE(w.dispmode, 0);
        QVERIFY(w.SpeedButton6->isChecked());
        QVERIFY(w.ME1->isVisible());
        QCOMPARE(w.rosterSheet.roster[1]->status[0], 12);
    }

    // The view buttons switch the grid, keep the designed widths and are
    // remembered at the end; the memo button shows and hides the memo pane.
    void buttonsSwitchAndRemember()
    {
        FormFixture f;
        TForm1& w = f.start();
        const struct {
            QToolButton* button;
            int dispmode;
            int columns;
        } views[] = {{w.SpeedButton4, 1, 16}, {w.SpeedButton6, 0, 15}, {w.SpeedButton5, 2, 12}};
        for (const auto& v : views) {
            v.button->click();
            QCOMPARE(w.dispmode, v.dispmode);
            QCOMPARE(w.findChild<QButtonGroup*>("ViewGroup")->checkedButton(), v.button);
            QCOMPARE(w.DrawGrid1->colCount(), v.columns);
            for (int c = 0; c < v.columns; ++c)
                QCOMPARE(w.DrawGrid1->colWidth(c), c < 6 ? (std::array{28, 12, 12, 120, 16, 65})[c] : 60);
        }
        w.SpeedButton1->click();
        QVERIFY(w.Panel4->isVisible());
        QVERIFY(w.SpeedButton1->isChecked());
        w.SpeedButton1->click();
        QVERIFY(!w.Panel4->isVisible());
        QVERIFY(!w.SpeedButton1->isChecked());
        w.FormDestroy();
        QVERIFY(f.readSettings().contains("DispMode=2"));
    }
};

QTEST_MAIN(TstEditing)
#include "tst_editing.moc"
