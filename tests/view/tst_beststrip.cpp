// The best-time strip alone, fed from a roster document's best times: what it
// draws and reads as, and how it lays out its boxes at either device pixel ratio.

#include "common/devicepixels.h"
#include "roster/rostersheet.h"
#include "view/beststrip.h"

#include <QAccessible>
#include <QTest>

using namespace qvr;

namespace {

// Best times of the start-up roster with row 1's first stage time of each
// episode set, 0 leaving it empty.
BestTimes bestWithFirstStages(std::int32_t ep1Seconds, std::int32_t ep2Seconds)
{
    RosterSheet sheet;
    sheet.recomputeBest();
    sheet.selectRow(1);
    if (ep1Seconds)
        sheet.setStageTime(Episode::One, 0, ep1Seconds);
    if (ep2Seconds)
        sheet.setStageTime(Episode::Two, 0, ep2Seconds);
    return sheet.best;
}

bool allWhite(const QImage& img, int x0, int x1)
{
    for (int x = x0; x < x1; ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

// The bounding box, in logical pixels, of what is not white inside one strip box
// (its dotted frame left out).
QRectF inkInStripBox(const QImage& img, int box)
{
    const qreal ratio = img.devicePixelRatio();
    const QRect inside = QRect(QPoint(70 * box + 1, 1), QPoint(70 * box + 68, 25));
    const QRect device(
        devicePixels(inside.topLeft(), ratio).topLeft(), devicePixels(inside.bottomRight(), ratio).bottomRight());
    QRect ink;
    for (int y = device.top(); y <= device.bottom(); ++y)
        for (int x = device.left(); x <= device.right(); ++x)
            if (qGray(img.pixel(x, y)) < 200)
                ink |= QRect(x, y, 1, 1);
    return {ink.x() / ratio, ink.y() / ratio, ink.width() / ratio, ink.height() / ratio};
}

} // namespace

class TstBestStrip : public QObject {
    Q_OBJECT
private slots:
    void withoutQualifyingTimes()
    {
        const BestTimes best = bestWithFirstStages(0, 0);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(best.ep1best[i], 7200);
        QCOMPARE(best.ep1best[9], 9 * 7200);
        QCOMPARE(best.ep2best[5], 5 * 7200);
        TBestStrip strip;
        const QImage before = strip.picture().copy();
        strip.showBest(ViewMode::State, best);
        QCOMPARE(strip.picture(), before); // the State view leaves it alone
        strip.showBest(ViewMode::Ep1, best);
        const QImage ep1 = strip.picture().copy();
        QCOMPARE(ep1.size(), QSize(700, 28));
        for (int p = 0; p < 10; ++p) {
            // Dotted focus outline: the box's corner pixel is inverted to black.
            QCOMPARE(ep1.pixel(70 * p, 0), qRgb(0, 0, 0));
            QCOMPARE(ep1.pixel(70 * p + 1, 0), qRgb(255, 255, 255));
            QVERIFY(!allWhite(ep1, 70 * p + 2, 70 * p + 68));
        }
        strip.showBest(ViewMode::Ep2, best);
        const QImage ep2 = strip.picture().copy();
        QVERIFY(ep2 != ep1);
        for (int p : {0, 1, 2, 3, 4, 9})
            QVERIFY(!allWhite(ep2, 70 * p, 70 * p + 70));
        QVERIFY(allWhite(ep2, 350, 630));
        strip.showBest(ViewMode::State, best);
        QCOMPARE(strip.picture(), ep2);
    }

    // Only the boxes whose values changed look different.
    void showsTheBestValues()
    {
        TBestStrip strip;
        strip.showBest(ViewMode::Ep1, bestWithFirstStages(0, 0));
        const QImage ceiling = strip.picture().copy();
        const BestTimes best = bestWithFirstStages(125, 0);
        QCOMPARE(best.ep1best[0], 125);
        QCOMPARE(best.ep1best[9], 125 + 8 * 7200);
        strip.showBest(ViewMode::Ep1, best);
        const QImage better = strip.picture().copy();
        QVERIFY(better != ceiling);
        QVERIFY(better.copy(0, 0, 70, 28) != ceiling.copy(0, 0, 70, 28));
        QVERIFY(better.copy(630, 0, 70, 28) != ceiling.copy(630, 0, 70, 28));
        QCOMPARE(better.copy(70, 0, 560, 28), ceiling.copy(70, 0, 560, 28));
    }

    void readsItsBoxes_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("text");
        QTest::newRow("EP1") << int(ViewMode::Ep1)
                             << "Stage1 0'05\"00, Stage2 2'00\"00, Stage3 2'00\"00, Stage4 2'00\"00, Stage5 2'00\"00, "
                                "Stage6 2'00\"00, Stage7 2'00\"00, Stage8 2'00\"00, Stage9 2'00\"00, Total 16'05\"00";
        QTest::newRow("EP2") << int(ViewMode::Ep2)
                             << "Stage1 2'00\"00, Stage2 2'00\"00, Stage3 2'00\"00, Stage4 2'00\"00, Stage5 2'00\"00, "
                                "Total 10'00\"00";
    }
    void readsItsBoxes()
    {
        QFETCH(int, view);
        QFETCH(QString, text);
        const BestTimes best = bestWithFirstStages(300, 0);
        TBestStrip strip;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&strip);
        QCOMPARE(iface->role(), QAccessible::StaticText);
        strip.showBest(ViewMode::State, best);
        QCOMPARE(iface->text(QAccessible::Name), QString()); // nothing drawn yet in the State view
        strip.showBest(static_cast<ViewMode>(view), best);
        QCOMPARE(iface->text(QAccessible::Name), text);
        // The State view leaves it as it was.
        strip.showBest(ViewMode::State, best);
        QCOMPARE(iface->text(QAccessible::Name), text);
    }

    // The same logical size at the ratio, the dotted frames on logical pixels.
    void framesOnLogicalPixels_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("EP1 at 1") << int(ViewMode::Ep1) << 1.0;
        QTest::newRow("EP1 at 2") << int(ViewMode::Ep1) << 2.0;
        QTest::newRow("EP2 at 1") << int(ViewMode::Ep2) << 1.0;
        QTest::newRow("EP2 at 2") << int(ViewMode::Ep2) << 2.0;
    }
    void framesOnLogicalPixels()
    {
        QFETCH(int, view);
        QFETCH(qreal, ratio);
        TBestStrip strip;
        strip.setPixelRatio(ratio);
        strip.showBest(static_cast<ViewMode>(view), bestWithFirstStages(125, 125));
        const QImage& picture = strip.picture();
        QCOMPARE(picture.devicePixelRatio(), ratio);
        QCOMPARE(picture.size(), QSize(700, 28) * ratio);
        QCOMPARE(picture.deviceIndependentSize(), QSizeF(700, 28));
        QCOMPARE(strip.size(), QSize(700, 28));
        const QList<int> boxes =
            view == int(ViewMode::Ep1) ? QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} : QList<int>{0, 1, 2, 3, 4, 9};
        for (int p : boxes) {
            QVERIFY(allOf(picture, devicePixels({70 * p, 0}, ratio), qRgb(0, 0, 0)));
            QVERIFY(allOf(picture, devicePixels({70 * p + 1, 0}, ratio), qRgb(255, 255, 255)));
            QVERIFY(allOf(picture, devicePixels({70 * p, 1}, ratio), qRgb(255, 255, 255)));
            QVERIFY(allOf(picture, devicePixels({70 * p + 69, 25}, ratio), qRgb(0, 0, 0)));
            if (ratio > 1)
                QVERIFY(hasDetailBelowLogicalPixels(picture, QRect(70 * p + 1, 1, 68, 25)));
        }
    }

    void newRatioRedrawsWhatItShowed()
    {
        const BestTimes best = bestWithFirstStages(125, 125);
        TBestStrip moved;
        moved.setPixelRatio(2.0);
        moved.showBest(ViewMode::Ep2, best);
        moved.setPixelRatio(1.0);
        moved.setPixelRatio(2.0);
        TBestStrip fresh;
        fresh.setPixelRatio(2.0);
        fresh.showBest(ViewMode::Ep2, best);
        QCOMPARE(moved.picture(), fresh.picture());
        QCOMPARE(moved.shownView(), ViewMode::Ep2);
    }

    void layoutIsTheSameAtEitherRatio()
    {
        TBestStrip strip;
        strip.setPixelRatio(2.0);
        strip.showBest(ViewMode::Ep1, bestWithFirstStages(125, 125));
        const QImage at2 = strip.picture().copy();
        strip.setPixelRatio(1.0);
        const QImage at1 = strip.picture().copy();
        QCOMPARE(at2.devicePixelRatio(), 2.0);
        QCOMPARE(at1.devicePixelRatio(), 1.0);
        for (int p = 0; p < 10; ++p) {
            const QRectF ink1 = inkInStripBox(at1, p);
            const QRectF ink2 = inkInStripBox(at2, p);
            QVERIFY(!ink1.isEmpty());
            const auto near = [](qreal a, qreal b) { return qAbs(a - b) <= 1.0; };
            QVERIFY2(near(ink1.left(), ink2.left()) && near(ink1.top(), ink2.top()) &&
                    near(ink1.right(), ink2.right()) && near(ink1.bottom(), ink2.bottom()),
                qPrintable(QStringLiteral("box %1: (%2,%3)-(%4,%5) at 1, (%6,%7)-(%8,%9) at 2")
                               .arg(p)
                               .arg(ink1.left())
                               .arg(ink1.top())
                               .arg(ink1.right())
                               .arg(ink1.bottom())
                               .arg(ink2.left())
                               .arg(ink2.top())
                               .arg(ink2.right())
                               .arg(ink2.bottom())));
        }
    }
};

QTEST_MAIN(TstBestStrip)
#include "tst_beststrip.moc"
