// What the roster table shows: the headers, the cell texts, their placement and
// the emblems, on the table alone.

#include "common/sectionrows.h"
#include "common/tablefixture.h"
#include "platform/cp932.h"
#include "view/emblems.h"
#include "roster/timevalue.h"
#include "platform/qtext.h"

#include <QFontInfo>
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

// The widest texts a column shows: its heading and the longest of its values.
// Names (any 18 bytes) and the emblem are left out: they have no widest text.
QStringList widestTexts(const Column& column)
{
    QStringList texts{fromLatin1View(column.heading)};
    switch (column.field) {
    case ColumnField::RowNumber: texts << QStringLiteral("999"); break;
    case ColumnField::Lock:
    case ColumnField::NoCount: texts << QStringLiteral("x"); break;
    case ColumnField::Class:
        for (std::string_view name : CLASS_NAMES)
            texts << fromLatin1View(name);
        break;
    case ColumnField::Status: texts << QStringLiteral("-9999"); break;
    case ColumnField::StageTime:
        // Hours stop at 24; a marked time has the "*" in front.
        texts << QString::fromLatin1(timeToText(-(24 * 3600 + 59 * 60 + 59)))
              << QString::fromLatin1(timeToText(24 * 3600 + 59 * 60 + 59));
        break;
    case ColumnField::Name:
    case ColumnField::SectionId: break;
    }
    return texts;
}

} // namespace

class TstRosterTable : public QObject {
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
        TableFixture t(viewModeFrom(mode));
        QCOMPARE(t.grid->colCount(), heads.size());
        for (int c = 0; c < heads.size(); ++c)
            QCOMPARE(t.table->cellText(c, 0), heads[c]);
        QCOMPARE(t.table->cellText(static_cast<int>(heads.size()), 0), QString());
    }

    void bodyTexts()
    {
        TableFixture t;
        CharRecord& r = t.rec(2);
        r.lock = 1;
        r.setName(*cp932::encode(u"アカネ"));
        r.wtype = 11;
        r.status[6] = 66;
        r.status[7] = 77;
        r.status[0] = -5;
        r.ep1time[0] = -125;
        r.ep1time[9] = 125;
        r.ep2time[5] = 3725;
        QCOMPARE(t.table->cellText(0, 2), QStringLiteral("2"));
        QCOMPARE(t.table->cellText(1, 2), QStringLiteral("x"));
        QCOMPARE(t.table->cellText(2, 2), QString());
        QCOMPARE(t.table->cellText(3, 2), QString::fromUtf8("アカネ"));
        QCOMPARE(t.table->cellText(5, 2), QStringLiteral("FOnewearl"));
        QCOMPARE(t.table->cellText(6, 2), QStringLiteral("-5"));
        QCOMPARE(t.table->cellText(12, 2), QStringLiteral("66")); // headed "EVE"
        QCOMPARE(t.table->cellText(13, 2), QStringLiteral("77")); // headed "DEX"
        // A new character
        QCOMPARE(t.table->cellText(6, 1), QStringLiteral("0"));
        QCOMPARE(t.table->cellText(5, 1), QStringLiteral("HUmar"));
        QCOMPARE(t.table->cellText(1, 1), QString());
        t.table->setView(ViewMode::Ep1);
        QCOMPARE(t.table->cellText(6, 1), QStringLiteral(" 0'00\"00"));
        QCOMPARE(t.table->cellText(6, 2), QStringLiteral("* 0'02\"05"));
        QCOMPARE(t.table->cellText(15, 2), QStringLiteral(" 0'02\"05"));
        t.table->setView(ViewMode::Ep2);
        QCOMPARE(t.table->cellText(11, 2), QStringLiteral(" 1'02\"05"));
        r.wtype = 12;
        QCOMPARE(t.table->cellText(5, 2), QString());
        r.wtype = -1;
        QCOMPARE(t.table->cellText(5, 2), QString());
    }

    // Placed as drawCellText places it, every text of a column lies inside the
    // column, with the grid's own face.
    void everyTextFitsItsColumn_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        for (ViewMode view : {ViewMode::State, ViewMode::Ep1, ViewMode::Ep2}) {
            const ViewColumns& columns = viewColumns(view);
            for (int c = 0; c < columns.count(); ++c)
                for (const QString& text : widestTexts(*columns.at(c)))
                    QTest::addRow("view %d col %d %s", dispmodeOf(view), c, qPrintable(text))
                        << dispmodeOf(view) << c << text;
        }
    }
    void everyTextFitsItsColumn()
    {
        // Without the design face the grid draws in the narrow face the package installs.
        const QString face = QFontInfo(gridFont()).family();
        QVERIFY2(face == QStringLiteral("MS Sans Serif") || face == QStringLiteral("Liberation Sans Narrow"),
            qPrintable(face));
        QFETCH(int, view);
        QFETCH(int, col);
        QFETCH(QString, text);
        const Column& column = *viewColumns(viewModeFrom(view)).at(col);
        const int tw = QFontMetrics(gridFont()).horizontalAdvance(text);
        const int w = column.width;
        const bool heading = text == fromLatin1View(column.heading);
        const bool right = !heading && column.alignment == CellAlignment::Right;
        const int left = right ? w - tw - 3 : w / 2 - tw / 2 + 1;
        QVERIFY2(left >= 0 && left + tw <= w,
            qPrintable(QStringLiteral("%1 pixels wide at %2 in %3").arg(tw).arg(left).arg(w)));
    }

    void textPlacement()
    {
        const QFont font = gridFont();
        QImage img(200, 20, QImage::Format_RGB32);
        img.fill(Qt::white);
        const QRect cell(20, 2, 60, 16);
        {
            QPainter p(&img);
            p.setFont(font);
            p.setPen(Qt::black);
            drawCellText(p, cell, CellAlignment::Right, QStringLiteral("-5"));
        }
        const QFontMetrics fm(font);
        auto [first, last] = inkColumns(img, cell);
        QVERIFY(last >= 0);
        // Right-aligned: the text's advance ends 3 pixels inside the right edge.
        const int x = cell.left() + cell.width() - fm.horizontalAdvance(QStringLiteral("-5")) - 3;
        QVERIFY2(first >= x && last < cell.left() + cell.width() - 2,
            qPrintable(QStringLiteral("%1..%2").arg(first).arg(last)));

        img.fill(Qt::white);
        {
            QPainter p(&img);
            p.setFont(font);
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
            p.setFont(font);
            p.setPen(Qt::black);
            drawCellText(p, QRect(20, 2, 10, 16), CellAlignment::Center, QStringLiteral("WWWWWWWW"));
        }
        auto [wf, wl] = inkColumns(img, QRect(0, 0, 200, 20));
        QVERIFY(wf >= 20 && wl <= 29);
    }

    void emblemsAreDrawnInTheirColours()
    {
        TableFixture t;
        addRowForEverySectionId(t.sheet);
        t.rec(11).id = 10;
        t.rec(12).id = -3;
        const QImage shot = t.grid->viewport()->grab().toImage();
        for (int r = 1; r <= 10; ++r) {
            const QRect cell = t.grid->cellRect(4, r);
            QCOMPARE(QColor(shot.pixel(cell.left() + 8, cell.top() + 9)), emblemColor(r - 1));
            // The corner stays the cell's background: the emblem is round.
            QCOMPARE(QColor(shot.pixel(cell.left(), cell.top())), t.grid->palette().color(QPalette::Base));
        }
        for (int r : {11, 12}) {
            const QRect cell = t.grid->cellRect(4, r);
            QCOMPARE(QColor(shot.pixel(cell.left() + 8, cell.top() + 9)), t.grid->palette().color(QPalette::Base));
        }
    }

    void rowCountFollowsTheRoster()
    {
        TableFixture t;
        t.sheet.deleteRecord(2);
        QCOMPARE(t.grid->rowCount(), 2);
        t.sheet.restoreRecord(1);
        QCOMPARE(t.grid->rowCount(), 3);
        // A grid with a row the roster does not have: nothing is drawn and nothing fails.
        t.sheet.roster.resize(2);
        QCOMPARE(t.table->cellText(3, 2), QString());
        QCOMPARE(t.table->cellReadText(4, 2), QString());
        t.grid->viewport()->grab();
        t.table->follow(RosterSheet::Change::Rows);
        QCOMPARE(t.grid->rowCount(), 2);
        QCOMPARE(t.grid->cellRect(3, 2), QRect());
    }
};

QTEST_MAIN(TstRosterTable)
#include "tst_rostertable.moc"
