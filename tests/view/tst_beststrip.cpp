// The best-time strip alone, fed from a roster document's best-time tables.

#include "roster/rostersheet.h"
#include "view/beststrip.h"

#include <QImage>
#include <QTest>

using namespace qvr;

namespace {

bool allWhite(const QImage& img, int x0, int x1)
{
    for (int x = x0; x < x1; ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

// A start-up roster's strip: no time qualifies, every stage shows the ceiling.
struct StripFixture {
    StripFixture() { sheet.recomputeBest(); }
    void show(ViewMode view) { strip.showBest(view, sheet.best); }

    RosterSheet sheet;
    TBestStrip strip;
};

} // namespace

class TstBestStrip : public QObject {
    Q_OBJECT
private slots:
    void stripWithoutQualifyingTimes()
    {
        StripFixture f;
        const QImage before = f.strip.picture().copy();
        f.show(ViewMode::State);
        QCOMPARE(f.strip.picture(), before); // the State view leaves it alone
        f.show(ViewMode::Ep1);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(f.sheet.best.ep1best[i], 7200);
        QCOMPARE(f.sheet.best.ep1best[9], 9 * 7200);
        QCOMPARE(f.sheet.best.ep2best[5], 5 * 7200);
        const QImage ep1 = f.strip.picture().copy();
        QCOMPARE(ep1.size(), QSize(700, 28));
        for (int p = 0; p < 10; ++p) {
            // Dotted focus outline: the box's corner pixel is inverted to black.
            QCOMPARE(ep1.pixel(70 * p, 0), qRgb(0, 0, 0));
            QCOMPARE(ep1.pixel(70 * p + 1, 0), qRgb(255, 255, 255));
            QVERIFY(!allWhite(ep1, 70 * p + 2, 70 * p + 68));
        }
        f.show(ViewMode::Ep2);
        const QImage ep2 = f.strip.picture().copy();
        QVERIFY(ep2 != ep1);
        for (int p : {0, 1, 2, 3, 4, 9})
            QVERIFY(!allWhite(ep2, 70 * p, 70 * p + 70));
        QVERIFY(allWhite(ep2, 350, 630));
        f.show(ViewMode::State);
        QCOMPARE(f.strip.picture(), ep2);
    }

    void stripShowsTheBestValues()
    {
        StripFixture f;
        // Only the boxes whose values changed look different.
        f.show(ViewMode::Ep1);
        const QImage ceiling = f.strip.picture().copy();
        f.sheet.roster[1]->ep1time[0] = 125;
        recomputeEp1Best(f.sheet.roster, f.sheet.best);
        f.show(ViewMode::Ep1);
        QCOMPARE(f.sheet.best.ep1best[0], 125);
        QCOMPARE(f.sheet.best.ep1best[9], 125 + 8 * 7200);
        const QImage better = f.strip.picture().copy();
        QVERIFY(better != ceiling);
        QVERIFY(better.copy(0, 0, 70, 28) != ceiling.copy(0, 0, 70, 28));
        QVERIFY(better.copy(630, 0, 70, 28) != ceiling.copy(630, 0, 70, 28));
        QCOMPARE(better.copy(70, 0, 560, 28), ceiling.copy(70, 0, 560, 28));
    }
};

QTEST_MAIN(TstBestStrip)
#include "tst_beststrip.moc"
