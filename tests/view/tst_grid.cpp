#include "common/formfixture.h"
#include "view/rostertable.h"
#include "platform/cp932.h"
#include "view/emblems.h"

#include <QImage>
#include <QPainter>
#include <QToolButton>

using namespace qvr;

namespace {

// Columns of the painted text in an image: first and last with ink.
std::pair<int, int> inkColumns(const QImage& img, const QRect& r)
{
    int first = -1;
    int last = -1;
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (qGray(img.pixel(x, y)) < 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

bool allWhite(const QImage& img, int x0, int x1)
{
    for (int x = x0; x < x1; ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

} // namespace

class TstGrid : public QObject {
    Q_OBJECT
private slots:
    void headers_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("heads");
        const QStringList common{"No", "L", "C", "Name", "ID", "Type"};
        QTest::newRow("State") << 0
                               << common + QStringList{"Lv", "HP", "TP", "DEF", "STR", "MIND", "EVE", "DEX", "LUK"};
        QTest::newRow("EP1") << 1
                             << common + QStringList{"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "TOTAL"};
        QTest::newRow("EP2") << 2 << common + QStringList{"C1", "C2", "C3", "C4", "C5", "TOTAL"};
    }
    void headers()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, heads);
        FormFixture f;
        TForm1& w = f.start();
        w.setViewMode(mode);
        QCOMPARE(w.DrawGrid1->colCount(), heads.size());
        for (int c = 0; c < heads.size(); ++c)
            QCOMPARE(w.table().cellText(c, 0), heads[c]);
        QCOMPARE(w.table().cellText(static_cast<int>(heads.size()), 0), QString());
        for (int c = 0; c < 6; ++c)
            QCOMPARE(w.DrawGrid1->colWidth(c), (std::array{28, 12, 12, 120, 16, 65})[c]);
        for (int c = 6; c < heads.size(); ++c)
            QCOMPARE(w.DrawGrid1->colWidth(c), 60);
    }

    void bodyTexts()
    {
        FormFixture f;
        TForm1& w = f.start();
        CharRecord& r = *w.roster[2];
        r.lock = 1;
        r.setName(*cp932::encode(u"アカネ"));
        r.wtype = 11;
        r.status[6] = 66;
        r.status[7] = 77;
        r.status[0] = -5;
        r.ep1time[0] = -125;
        r.ep1time[9] = 125;
        r.ep2time[5] = 3725;
        QCOMPARE(w.table().cellText(0, 2), QStringLiteral("2"));
        QCOMPARE(w.table().cellText(1, 2), QStringLiteral("x"));
        QCOMPARE(w.table().cellText(2, 2), QString());
        QCOMPARE(w.table().cellText(3, 2), QString::fromUtf8("アカネ"));
        QCOMPARE(w.table().cellText(5, 2), QStringLiteral("FOnewearl"));
        QCOMPARE(w.table().cellText(6, 2), QStringLiteral("-5"));
        QCOMPARE(w.table().cellText(12, 2), QStringLiteral("66")); // headed "EVE"
        QCOMPARE(w.table().cellText(13, 2), QStringLiteral("77")); // headed "DEX"
        // A new character
        QCOMPARE(w.table().cellText(6, 1), QStringLiteral("0"));
        QCOMPARE(w.table().cellText(5, 1), QStringLiteral("HUmar"));
        QCOMPARE(w.table().cellText(1, 1), QString());
        w.setViewMode(1);
        QCOMPARE(w.table().cellText(6, 1), QStringLiteral(" 0'00\"00"));
        QCOMPARE(w.table().cellText(6, 2), QStringLiteral("* 0'02\"05"));
        QCOMPARE(w.table().cellText(15, 2), QStringLiteral(" 0'02\"05"));
        w.setViewMode(2);
        QCOMPARE(w.table().cellText(11, 2), QStringLiteral(" 1'02\"05"));
        r.wtype = 12;
        QCOMPARE(w.table().cellText(5, 2), QString());
        r.wtype = -1;
        QCOMPARE(w.table().cellText(5, 2), QString());
    }

    void textPlacement()
    {
        FormFixture f;
        TForm1& w = f.start();
        QImage img(200, 20, QImage::Format_RGB32);
        img.fill(Qt::white);
        const QRect cell(20, 2, 60, 16);
        {
            QPainter p(&img);
            p.setFont(w.DrawGrid1->font());
            p.setPen(Qt::black);
            drawCellText(p, cell, CellAlignment::Right, QStringLiteral("-5"));
        }
        const QFontMetrics fm(w.DrawGrid1->font());
        auto [first, last] = inkColumns(img, cell);
        QVERIFY(last >= 0);
        // Right-aligned: the text's advance ends 3 pixels inside the right edge.
        const int x = cell.left() + cell.width() - fm.horizontalAdvance(QStringLiteral("-5")) - 3;
        QVERIFY2(first >= x && last < cell.left() + cell.width() - 2,
            qPrintable(QStringLiteral("%1..%2").arg(first).arg(last)));

        img.fill(Qt::white);
        {
            QPainter p(&img);
            p.setFont(w.DrawGrid1->font());
            p.setPen(Qt::black);
            drawCellText(p, cell, CellAlignment::Center, QStringLiteral("HUmar"));
        }
        auto [cf, cl] = inkColumns(img, cell);
        // Centred: x = left + w/2 - tw/2 + 1, the ink within the text's advance.
        const int tw = fm.horizontalAdvance(QStringLiteral("HUmar"));
        const int cx = cell.left() + cell.width() / 2 - tw / 2 + 1;
        QVERIFY2(cf >= cx && cf <= cx + 2 && cl < cx + tw,
            qPrintable(QStringLiteral("%1..%2 from %3").arg(cf).arg(cl).arg(cx)));

        // Text wider than its cell is clipped to it.
        img.fill(Qt::white);
        {
            QPainter p(&img);
            p.setFont(w.DrawGrid1->font());
            p.setPen(Qt::black);
            drawCellText(p, QRect(20, 2, 10, 16), CellAlignment::Center, QStringLiteral("WWWWWWWW"));
        }
        auto [wf, wl] = inkColumns(img, QRect(0, 0, 200, 20));
        QVERIFY(wf >= 20 && wl <= 29);
    }

    void emblemsAreDrawnInTheirColours()
    {
        FormFixture f;
        TForm1& w = f.start();
        f.addRowForEverySectionId();
        w.roster[11]->id = 10;
        w.roster[12]->id = -3;
        const QImage shot = w.DrawGrid1->viewport()->grab().toImage();
        for (int r = 1; r <= 10; ++r) {
            const QRect cell = w.DrawGrid1->cellRect(4, r);
            QCOMPARE(QColor(shot.pixel(cell.left() + 8, cell.top() + 9)), emblemColor(r - 1));
            // The corner stays the cell's background: the emblem is round.
            QCOMPARE(QColor(shot.pixel(cell.left(), cell.top())), w.DrawGrid1->palette().color(QPalette::Base));
        }
        for (int r : {11, 12}) {
            const QRect cell = w.DrawGrid1->cellRect(4, r);
            QCOMPARE(QColor(shot.pixel(cell.left() + 8, cell.top() + 9)), w.DrawGrid1->palette().color(QPalette::Base));
        }
    }

    void stripWithoutQualifyingTimes()
    {
        FormFixture f;
        TForm1& w = f.start();
        const QImage before = w.Image1->picture().copy();
        w.setViewMode(0);
        QCOMPARE(w.Image1->picture(), before); // the State view leaves it alone
        w.setViewMode(1);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(w.best.ep1best[i], 7200);
        QCOMPARE(w.best.ep1best[9], 9 * 7200);
        QCOMPARE(w.best.ep2best[5], 5 * 7200);
        const QImage ep1 = w.Image1->picture().copy();
        QCOMPARE(ep1.size(), QSize(700, 28));
        for (int p = 0; p < 10; ++p) {
            // Dotted focus outline: the box's corner pixel is inverted to black.
            QCOMPARE(ep1.pixel(70 * p, 0), qRgb(0, 0, 0));
            QCOMPARE(ep1.pixel(70 * p + 1, 0), qRgb(255, 255, 255));
            QVERIFY(!allWhite(ep1, 70 * p + 2, 70 * p + 68));
        }
        w.setViewMode(2);
        const QImage ep2 = w.Image1->picture().copy();
        QVERIFY(ep2 != ep1);
        for (int p : {0, 1, 2, 3, 4, 9})
            QVERIFY(!allWhite(ep2, 70 * p, 70 * p + 70));
        QVERIFY(allWhite(ep2, 350, 630));
        w.setViewMode(0);
        QCOMPARE(w.Image1->picture(), ep2);
    }

    void stripShowsTheBestValues()
    {
        FormFixture f;
        TForm1& w = f.start();
        // Only the boxes whose values changed look different.
        w.setViewMode(1);
        const QImage ceiling = w.Image1->picture().copy();
        w.roster[1]->ep1time[0] = 125;
        recomputeEp1Best(w.roster, w.best);
        w.drawBestStrip();
        QCOMPARE(w.best.ep1best[0], 125);
        QCOMPARE(w.best.ep1best[9], 125 + 8 * 7200);
        const QImage better = w.Image1->picture().copy();
        QVERIFY(better != ceiling);
        QVERIFY(better.copy(0, 0, 70, 28) != ceiling.copy(0, 0, 70, 28));
        QVERIFY(better.copy(630, 0, 70, 28) != ceiling.copy(630, 0, 70, 28));
        QCOMPARE(better.copy(70, 0, 560, 28), ceiling.copy(70, 0, 560, 28));
    }

    void viewButtonsSwitchAndRemember()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.SpeedButton4->click();
        QCOMPARE(w.dispmode, 1);
        QVERIFY(w.SpeedButton4->isChecked());
        QVERIFY(!w.SpeedButton6->isChecked());
        w.SpeedButton5->click();
        QCOMPARE(w.DrawGrid1->colCount(), 12);
        w.FormDestroy();
        QVERIFY(f.readSettings().contains("DispMode=2"));
    }

    void rowCountFollowsTheRoster()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.roster.resize(2);
        w.DrawGrid1->setRowCount(2);
        // Row 2 has no record: nothing is drawn and nothing fails.
        QCOMPARE(w.table().cellText(3, 2), QString());
        QCOMPARE(w.DrawGrid1->cellRect(3, 2), QRect());
        w.DrawGrid1->viewport()->grab();
    }
};

QTEST_MAIN(TstGrid)
#include "tst_grid.moc"
