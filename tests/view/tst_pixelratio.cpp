// Pictures at device pixel ratios other than 1: the main window's, and the emblems
// and cell texts drawn at either ratio. The offscreen platform is
// given two screens: "Main2x" at ratio 2, the primary one (the window starts there,
// as under QT_SCALE_FACTOR=2), and "Side1x" at ratio 1 beside it. The window is
// moved between them by giving it the other screen, which is what the platform
// does when a window is dragged across (this one does not follow moves itself).

#include "common/devicepixels.h"
#include "common/formfixture.h"
#include "common/sectionrows.h"
#include "common/tablefixture.h"
#include "view/emblems.h"

#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>

using namespace qvr;

namespace {

QScreen* screenNamed(const QString& name)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

} // namespace

class TstPixelRatio : public QObject {
    Q_OBJECT
public:
    // Before the application exists: the platform with its two screens. It takes them
    // in the order of their names, the first as the primary one.
    static void initMain()
    {
        static QTemporaryDir dir; // removed at the end of the program
        QFile f(dir.filePath(QStringLiteral("screens.json")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write the platform configuration");
        f.write(R"({"screens": [
  {"name": "Main2x", "x": 0, "y": 0, "width": 1800, "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2},
  {"name": "Side1x", "x": 1800, "y": 0, "width": 1800, "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}
]})");
        f.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(f.fileName()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(screenNamed(QStringLiteral("Side1x")));
        QVERIFY(screenNamed(QStringLiteral("Main2x")));
        QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    }

    void picturesFollowTheRatio_data()
    {
        QTest::addColumn<int>("stripView"); // the view the strip was drawn in
        QTest::addColumn<int>("view"); // the view shown while the window moves
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("shown at 2") << 1 << 1 << QStringList{} << 2.0;
        QTest::newRow("moved to a ratio-1 screen") << 1 << 1 << QStringList{"Side1x"} << 1.0;
        QTest::newRow("moved back to ratio 2") << 2 << 2 << QStringList{"Side1x", "Main2x"} << 2.0;
        QTest::newRow("moved while the State view shows") << 2 << 0 << QStringList{"Side1x"} << 1.0;
    }
    void picturesFollowTheRatio()
    {
        QFETCH(int, stripView);
        QFETCH(int, view);
        QFETCH(QStringList, moves);
        QFETCH(qreal, ratio);
        FormFixture f;
        TForm1& w = f.start();
        addRowForEverySectionId(f.form->rosterSheet);
        w.rosterSheet.roster[1]->ep1time[0] = 125;
        w.rosterSheet.roster[1]->ep2time[0] = 125;
        recomputeEp1Best(w.rosterSheet.roster, w.rosterSheet.best);
        recomputeEp2Best(w.rosterSheet.roster, w.rosterSheet.best);
        w.setViewMode(stripView);
        w.setViewMode(view);
        for (const QString& name : moves)
            w.windowHandle()->setScreen(screenNamed(name));
        QCOMPARE(w.devicePixelRatio(), ratio);
        QCOMPARE(w.pictureRatio(), ratio);

        // The emblems are made again at the window's ratio (what they look like: emblemsAtARatio).
        QCOMPARE(w.ImageList1.size(), std::size_t(10));
        for (const QPixmap& pm : w.ImageList1)
            QCOMPARE(pm.devicePixelRatio(), ratio);

        // The grid draws them at their logical size, at the window's ratio.
        const QImage shot = w.DrawGrid1->viewport()->grab().toImage();
        QCOMPARE(shot.devicePixelRatio(), ratio);
        for (int r = 1; r <= 10; ++r) {
            const QRect cell = w.DrawGrid1->cellRect(4, r);
            QCOMPARE(shot.pixelColor(devicePixels(cell.topLeft() + QPoint(8, 9), ratio).topLeft()), emblemColor(r - 1));
            QCOMPARE(shot.pixelColor(devicePixels(cell.topLeft(), ratio).topLeft()),
                w.DrawGrid1->palette().color(QPalette::Base));
        }

        // The strip is drawn again at the ratio (its layout there: tst_beststrip).
        const QImage strip = w.Image1->picture().copy();
        QCOMPARE(strip.devicePixelRatio(), ratio);
        QCOMPARE(strip.size(), QSize(700, 28) * ratio);
        // What it shows is what a new drawing in its view shows.
        w.setViewMode(stripView);
        QCOMPARE(w.Image1->picture(), strip);
    }

    // Each emblem: 16 x 16 logical pixels of the ratio's device pixels, its colour in the middle.
    void emblemsAtARatio_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1") << 1.0;
        QTest::newRow("2") << 2.0;
    }
    void emblemsAtARatio()
    {
        QFETCH(qreal, ratio);
        const std::vector<QPixmap> emblems = sectionEmblems(ratio);
        QCOMPARE(emblems.size(), std::size_t(10));
        for (int i = 0; i < 10; ++i) {
            const QPixmap& pm = emblems[static_cast<std::size_t>(i)];
            QCOMPARE(pm.devicePixelRatio(), ratio);
            QCOMPARE(pm.size(), QSize(16, 16) * ratio);
            QCOMPARE(pm.deviceIndependentSize(), QSizeF(16, 16));
            const QImage img = pm.toImage();
            QCOMPARE(img.pixelColor(img.width() / 2, img.height() / 2), emblemColor(i));
            QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
            if (ratio > 1)
                QVERIFY(hasDetailBelowLogicalPixels(img, QRect(0, 0, 16, 16)));
        }
    }

    // The widest text of each column fits in it whole at ratios 1 and 2: drawn in its
    // cell, it looks the same as drawn with room to spare around it. (At 1.5 the
    // descenders of "Type" lose a faint antialiased edge below the 16-pixel row.)
    void cellTextsAreNotClipped_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("text");
        const int centre = 1;
        const int right = 2;
        const char* const common[] = {"No", "L", "C", "Name", "ID", "Type"};
        for (int c = 0; c < 6; ++c)
            QTest::addRow("head %s", common[c]) << 0 << c << centre << QString::fromLatin1(common[c]);
        for (const char* head : {"Lv", "HP", "TP", "DEF", "STR", "MIND", "EVE", "DEX", "LUK"})
            QTest::addRow("head %s", head) << 0 << 11 << centre << QString::fromLatin1(head);
        QTest::addRow("head TOTAL") << 1 << 15 << centre << QStringLiteral("TOTAL");
        QTest::addRow("row 999") << 0 << 0 << centre << QStringLiteral("999");
        QTest::addRow("lock mark") << 0 << 1 << centre << QStringLiteral("x");
        for (std::string_view name : CLASS_NAMES) {
            const QString text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
            QTest::addRow("class %s", qPrintable(text)) << 0 << 5 << centre << text;
        }
        QTest::addRow("best time") << 1 << 6 << centre << QString::fromLatin1(timeToText(-(24 * 3600 + 59 * 60 + 59)));
        QTest::addRow("time") << 2 << 10 << centre << QString::fromLatin1(timeToText(9 * 3600 + 59 * 60 + 59));
        QTest::addRow("status") << 0 << 6 << right << QStringLiteral("-9999");
    }
    void cellTextsAreNotClipped()
    {
        QFETCH(int, view);
        QFETCH(int, col);
        QFETCH(int, alignment);
        QFETCH(QString, text);
        TableFixture h(static_cast<ViewMode>(view));
        const int width = h.grid->colWidth(col);
        const int height = h.grid->rowHeight();
        QCOMPARE(height, 16);
        const QRect cell(20, 10, width, height);
        // A centred text keeps its place when the cell grows on both sides, a right-aligned one when it grows leftwards.
        const QRect roomy = cell.adjusted(-20, 0, alignment == 1 ? 20 : 0, 10);
        for (qreal ratio : {1.0, 2.0}) {
            auto draw = [&](const QRect& rect) {
                QImage img((QSizeF(width + 40, height + 20) * ratio).toSize(), QImage::Format_RGB32);
                img.setDevicePixelRatio(ratio);
                img.fill(Qt::white);
                QPainter p(&img);
                p.setFont(h.grid->font());
                p.setPen(Qt::black);
                drawCellText(p, rect, static_cast<CellAlignment>(alignment), text);
                return img;
            };
            QVERIFY2(draw(cell) == draw(roomy), qPrintable(QStringLiteral("clipped at ratio %1").arg(ratio)));
        }
    }
};

QTEST_MAIN(TstPixelRatio)
#include "tst_pixelratio.moc"
