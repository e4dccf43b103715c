#include "roster/timevalue.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstdlib>
#include <limits>

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
// The pass as the rule reads: a search per stage over all records, then a
// marking walk per stage.
template <std::size_t N, std::size_t M>
void referencePass(Roster& roster, std::array<std::int32_t, N> CharRecord::*field, std::array<std::int32_t, M>& table)
{
    std::int32_t sum = 0;
    for (std::size_t i = 0; i + 1 < M; ++i) {
        long long best = BEST_CEILING;
        for (const auto& rec : roster)
            if (rec->nocount == 0 && ((*rec).*field)[i] != 0)
                best = std::min(best, std::llabs(((*rec).*field)[i]));
        table[i] = static_cast<std::int32_t>(best);
        sum += table[i];
    }
    table[M - 1] = sum;
    for (std::size_t i = 0; i + 1 < M; ++i)
        for (auto& rec : roster) {
            std::int32_t& t = ((*rec).*field)[i];
            if (rec->nocount == 0 && t != 0 && std::llabs(t) == table[i])
                t = -table[i];
        }
}

// Few distinct values so that ties, zeros, old marks and the ceiling all occur.
Roster randomRoster(QRandomGenerator& rng, int size)
{
    constexpr std::int32_t values[] = {
        0, 0, 59, 60, 60, -60, 61, 7199, 7200, -7200, 7201, std::numeric_limits<std::int32_t>::min()};
    Roster r = makeRoster(static_cast<std::size_t>(size));
    for (auto& rec : r) {
        for (auto& t : rec->ep1time)
            t = values[rng.bounded(int(std::size(values)))];
        for (auto& t : rec->ep2time)
            t = values[rng.bounded(int(std::size(values)))];
        rec->nocount = static_cast<std::uint8_t>(rng.bounded(4) == 0 ? 1 + rng.bounded(255) : 0);
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
        r[2]->ep1time[0] = 200; // entered: stored positive
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
        QCOMPARE(r[1]->ep2time[5], 1500); // the total is never marked
        QCOMPARE(r[1]->ep1time[0], 50); // the other episode is untouched
        QCOMPARE(r[1]->ep2time[0], -100);
    }

    void passesAgreeWithTheRuleOnRandomRosters()
    {
        QRandomGenerator rng(77);
        for (int trial = 0; trial < 300; ++trial) {
            const Roster start = randomRoster(rng, 1 + int(rng.bounded(40)));
            Roster expected = cloneRoster(start);
            BestTimes want;
            referencePass(expected, &CharRecord::ep1time, want.ep1best);
            referencePass(expected, &CharRecord::ep2time, want.ep2best);

            Roster apart = cloneRoster(start);
            BestTimes gotApart;
            recomputeEp1Best(apart, gotApart);
            recomputeEp2Best(apart, gotApart);
            QVERIFY2(sameContent(apart, expected), qPrintable(QString::number(trial)));
            QCOMPARE(gotApart.ep1best, want.ep1best);
            QCOMPARE(gotApart.ep2best, want.ep2best);

            Roster together = cloneRoster(start);
            BestTimes gotTogether;
            recomputeBestTimes(together, gotTogether);
            QVERIFY2(sameContent(together, expected), qPrintable(QString::number(trial)));
            QCOMPARE(gotTogether.ep1best, want.ep1best);
            QCOMPARE(gotTogether.ep2best, want.ep2best);
        }
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
