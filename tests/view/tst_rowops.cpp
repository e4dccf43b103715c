#include "common/formfixture.h"

#include <QToolButton>

using namespace qvr;

namespace {
// Names rows 1..n "r1".."rn" so their order can be read back.
void nameRows(TForm1& w)
{
    for (std::size_t i = 1; i < w.roster.size(); ++i)
        w.roster[i]->setName("r" + std::to_string(i));
}

QStringList order(const TForm1& w)
{
    QStringList names;
    for (std::size_t i = 1; i < w.roster.size(); ++i)
        names << QString::fromStdString(std::string(w.roster[i]->nameText()));
    return names;
}

void grow(TForm1& w, int characters)
{
    while (static_cast<int>(w.roster.size()) < characters + 1)
        w.appendRecord();
    nameRows(w);
}
} // namespace

class TstRowOps : public QObject {
    Q_OBJECT
private slots:
    void homeAppendsWithoutMovingTheCurrentRow()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(0, 2);
        f.keyUpInGrid(Qt::Key_Home);
        QCOMPARE(w.roster.size(), std::size_t(4));
        QCOMPARE(w.DrawGrid1->rowCount(), 4);
        QCOMPARE(w.currow, 2);
        QCOMPARE(w.cellText(5, 3), QStringLiteral("HUmar"));
        w.SBadd->click();
        QCOMPARE(w.DrawGrid1->rowCount(), 5);
    }

    void deleteThenInsertRestoresInPlace()
    {
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 4);
        f.click(0, 3);
        w.SBdel->click();
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r4"}));
        QCOMPARE(w.deleted.size(), std::size_t(1));
        QCOMPARE(w.DrawGrid1->rowCount(), 4);
        f.keyUpInGrid(Qt::Key_Insert);
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r3", "r4"}));
        QVERIFY(w.deleted.empty());
        QCOMPARE(w.DrawGrid1->rowCount(), 5);
    }

    void twoDeletionsComeBackInReverse()
    {
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 4);
        f.click(0, 2);
        f.keyUpInGrid(Qt::Key_Delete);  // r2 (A)
        f.keyUpInGrid(Qt::Key_Delete);  // r3 (B), which moved into row 2
        QCOMPARE(order(w), (QStringList{"r1", "r4"}));
        f.click(0, 1);
        f.keyUpInGrid(Qt::Key_Insert);
        f.keyUpInGrid(Qt::Key_Insert);
        QCOMPARE(order(w), (QStringList{"r2", "r3", "r1", "r4"}));
    }

    void upTwiceReturns()
    {
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 5);
        f.click(0, 4);
        w.SBup->click();
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r4", "r3", "r5"}));
        w.SBup->click();
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r3", "r4", "r5"}));
        QCOMPARE(w.currow, 4);
        w.SBdown->click();
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r3", "r5", "r4"}));
    }

    void edgesDoNothing()
    {
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 3);
        f.click(0, 1);
        w.SBup->click();
        f.click(0, 3);
        w.SBdown->click();
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r3"}));
        QVERIFY(f.reports.isEmpty());
    }

    void pastTheEndAfterDeletingTheLastRow()
    {
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 3);
        f.click(0, 3);
        w.SBdel->click();
        const QStringList before = order(w);
        w.SBup->click();
        QCOMPARE(f.reports, QStringList{QString::fromUtf8("リストのインデックスが範囲を超えています (3).")});
        QCOMPARE(order(w), before);
        w.SBdown->click();
        f.keyUpInGrid(Qt::Key_Delete);
        QCOMPARE(order(w), before);
        QCOMPARE(f.reports.size(), 1);
        f.keyUpInGrid(Qt::Key_Insert);
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r3"}));
    }

    void restoreBeyondTheEndIsAnIndexError()
    {
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 4);
        f.click(0, 4);
        w.SBdel->click();
        f.click(0, 3);
        w.SBdel->click();
        // currow 3 is now past the end of a 3-element roster: insertion at 3 appends.
        f.click(0, 2);
        w.SBdel->click();
        w.SBdel->click();
        QCOMPARE(w.roster.size(), std::size_t(2));
        const std::size_t kept = w.deleted.size();
        guard([&] { w.restoreRecord(3); });
        QCOMPARE(f.reports, QStringList{QString::fromUtf8("リストのインデックスが範囲を超えています (3).")});
        QCOMPARE(w.deleted.size(), kept);
        QCOMPARE(w.DrawGrid1->rowCount(), 2);
    }

    void lastCharacterCanGoButNeverThePlaceholder()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.click(0, 2);
        w.SBdel->click();
        f.click(0, 1);
        w.SBdel->click();
        QCOMPARE(w.roster.size(), std::size_t(1));
        QCOMPARE(w.DrawGrid1->rowCount(), 1);
        w.SBdel->click();
        QCOMPARE(w.roster.size(), std::size_t(1));
        // After a deletion the current record is still the deleted one.
        QCOMPARE(w.currec, w.deleted.back().get());
    }

    void rowOperationsLeaveTheBestTimes()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.setViewMode(1);
        w.roster[1]->ep1time[0] = 100;
        recomputeEp1Best(w.roster, w.best);
        w.drawBestStrip();
        const QImage strip = w.Image1->picture().copy();
        f.click(0, 1);
        w.SBdel->click();
        QCOMPARE(w.best.ep1best[0], 100);
        QCOMPARE(w.Image1->picture(), strip);
    }
};

QTEST_MAIN(TstRowOps)
#include "tst_rowops.moc"
