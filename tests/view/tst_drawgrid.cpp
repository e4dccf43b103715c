// The grid widget on its own, without the main window: where a point falls, how
// it scrolls, which cells a paint visits, and how clicks and keys come out.

#include "view/drawgrid.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <set>

using namespace qvr;

namespace {

// Columns 28, 12, 120 and then 60 wide; rows 16 high; a one-pixel line after each.
struct Grid {
    explicit Grid(int rows, int cols = 8, QSize size = {400, 200})
    {
        grid.setColCount(cols);
        grid.setColWidth(0, 28);
        grid.setColWidth(1, 12);
        grid.setColWidth(2, 120);
        grid.setRowCount(rows);
        grid.resize(size);
        grid.setDrawCell([this](QPainter&, int c, int r, const QRect& rect) {
            visited.insert({c, r});
            rects.push_back(rect);
        });
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
    // Paints the viewport now and gives the cells the paint visited.
    std::set<std::pair<int, int>> paint()
    {
        visited.clear();
        rects.clear();
        grid.viewport()->repaint();
        return visited;
    }

    DrawGrid grid;
    std::set<std::pair<int, int>> visited;
    std::vector<QRect> rects;
};

} // namespace

class TstDrawGrid : public QObject {
    Q_OBJECT
private slots:
    void hitTesting_data()
    {
        QTest::addColumn<int>("topRow");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("header corner") << 1 << QPoint(0, 0) << 0 << 0;
        QTest::newRow("last pixel of the fixed column") << 1 << QPoint(28, 5) << 0 << 0;
        QTest::newRow("first body cell") << 1 << QPoint(29, 17) << 1 << 1;
        QTest::newRow("line below row 1 belongs to it") << 1 << QPoint(50, 33) << 2 << 1;
        QTest::newRow("row 2") << 1 << QPoint(50, 34) << 2 << 2;
        QTest::newRow("past the last row") << 1 << QPoint(50, 16 + 17 * 5) << 2 << -1;
        QTest::newRow("past the last column") << 1 << QPoint(399, 20) << -1 << 1;
        QTest::newRow("scrolled: the first body slot is the top row") << 3 << QPoint(50, 17) << 2 << 3;
        QTest::newRow("scrolled: the header stays") << 3 << QPoint(50, 0) << 2 << 0;
    }
    void hitTesting()
    {
        QFETCH(int, topRow);
        QFETCH(QPoint, point);
        QFETCH(int, col);
        QFETCH(int, row);
        Grid g(5, 4);
        g.grid.resize(400, 60); // three rows: room to scroll
        g.grid.setTopRow(topRow);
        QCOMPARE(g.grid.topRow(), topRow);
        int c = -2;
        int r = -2;
        g.grid.mouseToCell(point.x(), point.y(), c, r);
        QCOMPARE(c, col);
        QCOMPARE(r, row);
    }

    // Every rectangle the grid gives back leads back to its own cell.
    void cellRectsAndHitTestsAgree()
    {
        Grid g(40);
        g.grid.setTopRow(7);
        g.grid.setLeftCol(2);
        int shown = 0;
        for (int r = 0; r < 40; ++r)
            for (int c = 0; c < 8; ++c) {
                const QRect rect = g.grid.cellRect(c, r);
                if (rect.isEmpty())
                    continue;
                ++shown;
                int hc = -1;
                int hr = -1;
                g.grid.mouseToCell(rect.center().x(), rect.center().y(), hc, hr);
                QCOMPARE(std::pair(hc, hr), std::pair(c, r));
            }
        QVERIFY(shown > 8);
        QVERIFY(g.grid.cellRect(3, 5).isEmpty()); // scrolled away above the top row
        QVERIFY(g.grid.cellRect(1, 9).isEmpty()); // scrolled away left of the left column
        QVERIFY(!g.grid.cellRect(0, 9).isEmpty()); // the fixed column stays
    }

    void paintVisitsOnlyShownCells_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("fewer rows than fit") << 4;
        QTest::newRow("100,000 rows") << 100000;
    }
    void paintVisitsOnlyShownCells()
    {
        QFETCH(int, rows);
        Grid g(rows);
        const auto visited = g.paint();
        const int fit = std::min(rows, 1 + g.grid.visibleRowCount());
        std::set<int> seenRows;
        for (auto [c, r] : visited) {
            seenRows.insert(r);
            QVERIFY2(!g.grid.cellRect(c, r).isEmpty(), qPrintable(QStringLiteral("%1,%2").arg(c).arg(r)));
        }
        QCOMPARE(static_cast<int>(seenRows.size()), fit);
        for (const QRect& rect : g.rects)
            QVERIFY(rect.intersects(g.grid.viewport()->rect()));

        // At the bottom, the last row is drawn and the first body rows are not.
        g.grid.verticalScrollBar()->setValue(g.grid.verticalScrollBar()->maximum());
        const auto bottom = g.paint();
        QVERIFY(bottom.count({3, rows - 1}));
        QVERIFY(bottom.count({3, 0})); // the header row always
        if (rows > fit)
            QVERIFY(!bottom.count({3, 1}));
    }

    void keysScrollTheCurrentCellIntoView()
    {
        Grid g(200);
        g.grid.setFocus();
        QTest::keyClick(&g.grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(7, 199));
        QVERIFY(!g.grid.cellRect(7, 199).isEmpty());
        QTest::keyClick(&g.grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(1, 1));
        QCOMPARE(g.grid.topRow(), 1);
        QTest::keyClick(&g.grid, Qt::Key_PageDown);
        QVERIFY(g.grid.row() > 1);
        QVERIFY(!g.grid.cellRect(1, g.grid.row()).isEmpty());
        // Nothing moves past the edges.
        QTest::keyClick(&g.grid, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&g.grid, Qt::Key_Up);
        QTest::keyClick(&g.grid, Qt::Key_Left);
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(1, 1));
    }

    void tabWrapsBetweenRows()
    {
        Grid g(3, 4);
        g.grid.setFocus();
        QTest::keyClick(&g.grid, Qt::Key_End);
        QCOMPARE(g.grid.col(), 3);
        QTest::keyClick(&g.grid, Qt::Key_Tab);
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(1, 2));
        QTest::keyClick(&g.grid, Qt::Key_Backtab);
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(3, 1));
        QVERIFY(g.grid.hasFocus()); // Tab never leaves the grid
    }

    void shrinkingKeepsTheHighlightInside()
    {
        Grid g(50);
        g.grid.setFocus();
        QTest::keyClick(&g.grid, Qt::Key_End, Qt::ControlModifier);
        g.grid.setRowCount(10);
        g.grid.setColCount(5);
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(4, 9));
        QVERIFY(g.grid.topRow() <= 9);
        QVERIFY(!g.grid.cellRect(4, 9).isEmpty());
    }

    void clicksAndKeysComeOut()
    {
        Grid g(5);
        QSignalSpy downs(&g.grid, &DrawGrid::mouseDown);
        QSignalSpy ups(&g.grid, &DrawGrid::keyUp);
        const QPoint at = g.grid.cellRect(2, 3).center();
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(downs.size(), 1);
        QCOMPARE(downs[0][2].toInt(), at.x());
        QCOMPARE(downs[0][3].toInt(), at.y());
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(2, 3));
        QVERIFY(g.grid.hasFocus());

        // A held key is released once.
        QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&g.grid, &repeat);
        QCOMPARE(ups.size(), 0);
        QTest::keyClick(&g.grid, Qt::Key_Delete);
        QCOMPARE(ups.size(), 1);
        QCOMPARE(ups[0][0].toInt(), int(Qt::Key_Delete));

        // An editor that will not let go swallows the click whole.
        g.grid.setBeforeClick([] { return false; });
        QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.grid.cellRect(4, 1).center());
        QCOMPARE(downs.size(), 1);
        QCOMPARE(std::pair(g.grid.col(), g.grid.row()), std::pair(2, 3));
    }
};

QTEST_MAIN(TstDrawGrid)
#include "tst_drawgrid.moc"
