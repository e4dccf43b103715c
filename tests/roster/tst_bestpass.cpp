#include "roster/timevalue.h"

#include <QTest>

using namespace qvr;

namespace {
Roster rosterWith(std::initializer_list<std::initializer_list<std::int32_t>> ep1Rows)
{
    Roster r = makeRoster(1);
    for (auto row : ep1Rows) {
        RecordPtr rec = makeRecord();
        std::copy(row.begin(), row.end(), rec->ep1time.begin());
        r.push_back(std::move(rec));
    }
    return r;
}
} // namespace

class TstBestPass : public QObject {
    Q_OBJECT
private slots:
    void emptyStagesGiveTheCeiling()
    {
        Roster r = makeRoster(3);
        BestTimes b;
        recomputeEp1Best(r, b);
        recomputeEp2Best(r, b);
        for (int i = 0; i < EP1_STAGES; ++i)
            QCOMPARE(b.ep1best[i], BEST_CEILING);
        QCOMPARE(b.ep1best[9], 9 * BEST_CEILING);
        QCOMPARE(b.ep2best[5], 5 * BEST_CEILING);
        for (const auto& rec : r)
            for (auto t : rec->ep1time)
                QCOMPARE(t, 0);
    }

    void tiesAreAllMarked()
    {
        Roster r = rosterWith({{300, 500}, {300, 400}, {301, 400}});
        BestTimes b;
        recomputeEp1Best(r, b);
        QCOMPARE(b.ep1best[0], 300);
        QCOMPARE(b.ep1best[1], 400);
        QCOMPARE(r[1]->ep1time[0], -300);
        QCOMPARE(r[2]->ep1time[0], -300);
        QCOMPARE(r[3]->ep1time[0], 301);
        QCOMPARE(r[1]->ep1time[1], 500);
        QCOMPARE(r[2]->ep1time[1], -400);
        QCOMPARE(r[3]->ep1time[1], -400);
        QCOMPARE(b.ep1best[9], 300 + 400 + 7 * BEST_CEILING);
    }

    void nocountIsPassedOverAndKeepsItsSign()
    {
        Roster r = rosterWith({{300}, {100}, {-50}});
        r[2]->nocount = 1;
        r[3]->nocount = 1;
        BestTimes b;
        recomputeEp1Best(r, b);
        QCOMPARE(b.ep1best[0], 300);
        QCOMPARE(r[1]->ep1time[0], -300);
        QCOMPARE(r[2]->ep1time[0], 100);
        QCOMPARE(r[3]->ep1time[0], -50);
    }

    void overtakenMarkStaysUntilEnteredAgain()
    {
        Roster r = rosterWith({{300}, {400}});
        BestTimes b;
        recomputeEp1Best(r, b);
        QCOMPARE(r[1]->ep1time[0], -300);
        r[2]->ep1time[0] = 200;  // entered: stored positive
        recomputeEp1Best(r, b);
        QCOMPARE(b.ep1best[0], 200);
        QCOMPARE(r[1]->ep1time[0], -300);
        QCOMPARE(r[2]->ep1time[0], -200);
        r[1]->ep1time[0] = 300;
        recomputeEp1Best(r, b);
        QCOMPARE(r[1]->ep1time[0], 300);
    }

    void timesAboveTheCeilingNeverCount()
    {
        Roster r = rosterWith({{7201}, {9000}});
        BestTimes b;
        recomputeEp1Best(r, b);
        QCOMPARE(b.ep1best[0], BEST_CEILING);
        QCOMPARE(r[1]->ep1time[0], 7201);
        r[2]->ep1time[0] = 7200;
        recomputeEp1Best(r, b);
        QCOMPARE(r[2]->ep1time[0], -7200);
    }

    void placeholderTakesPartAndTotalsAreLeftAlone()
    {
        Roster r = rosterWith({{500}});
        r[0]->ep1time[0] = 250;
        r[1]->ep1time[9] = 12345;
        BestTimes b;
        recomputeEp1Best(r, b);
        QCOMPARE(b.ep1best[0], 250);
        QCOMPARE(r[0]->ep1time[0], -250);
        QCOMPARE(r[1]->ep1time[9], 12345);
    }

    void episodeTwoUsesItsOwnStages()
    {
        Roster r = makeRoster(2);
        r[1]->ep2time = {100, 200, 300, 400, 500, 1500, 0};
        r[1]->ep1time[0] = 50;
        BestTimes b;
        recomputeEp2Best(r, b);
        QCOMPARE(b.ep2best[4], 500);
        QCOMPARE(b.ep2best[5], 1500);
        QCOMPARE(r[1]->ep2time[5], 1500);  // the total is never marked
        QCOMPARE(r[1]->ep1time[0], 50);    // the other episode is untouched
        QCOMPARE(r[1]->ep2time[0], -100);
    }

    void stageSumsUseAbsoluteValues()
    {
        CharRecord rec;
        rec.ep1time = {-100, 200, 0, 0, 0, 0, 0, 0, 50, 999, 77};
        rec.ep2time = {-10, 20, 0, 0, 30, 999, 55};
        QCOMPARE(ep1StageSum(rec), 350);
        QCOMPARE(ep2StageSum(rec), 60);
    }
};

QTEST_APPLESS_MAIN(TstBestPass)
#include "tst_bestpass.moc"
