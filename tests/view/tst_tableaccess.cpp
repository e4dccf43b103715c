// What assistive technology reads of the roster table without the main window:
// the grid as a table of cells and the events that tell of changes.

#include "common/accessibilityclient.h"
#include "common/tablefixture.h"
#include "platform/cp932.h"

#include <QTemporaryDir>

using namespace qvr;

namespace {

using Client = AccessibilityClient;

QAccessibleInterface* gridOf(TableFixture& h) { return QAccessible::queryAccessibleInterface(h.grid); }

// The cell at grid column col, row row, as a client walking the children finds it.
QAccessibleInterface* cellAt(TableFixture& h, int col, int row)
{
    return gridOf(h)->child(h.grid->cellIndex(col, row));
}

QString read(TableFixture& h, int col, int row)
{
    QAccessibleInterface* cell = cellAt(h, col, row);
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

QStringList headerRow(TableFixture& h)
{
    QAccessibleTableInterface* table = gridOf(h)->tableInterface();
    QStringList heads;
    for (int c = 0; c < table->columnCount(); ++c) {
        const auto above = table->cellAt(0, c)->tableCellInterface()->columnHeaderCells();
        heads << (above.size() == 1 ? above[0]->text(QAccessible::Name)
                                    : QStringLiteral("<%1 headers>").arg(above.size()));
    }
    return heads;
}

} // namespace

class TstTableAccess : public QObject {
    Q_OBJECT
private slots:
    void tableShape_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QStringList>("heads");
        const QStringList common{"L", "C", "Name", "ID", "Type"};
        QTest::newRow("State") << int(ViewMode::State)
                               << common + QStringList{"Lv", "HP", "TP", "DEF", "STR", "MIND", "EVE", "DEX", "LUK"};
        QTest::newRow("EP1") << int(ViewMode::Ep1)
                             << common + QStringList{"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "TOTAL"};
        QTest::newRow("EP2") << int(ViewMode::Ep2) << common + QStringList{"C1", "C2", "C3", "C4", "C5", "TOTAL"};
    }
    void tableShape()
    {
        QFETCH(int, view);
        QFETCH(QStringList, heads);
        TableFixture h;
        h.sheet.appendRecord();
        h.table->setView(static_cast<ViewMode>(view));
        QAccessibleInterface* grid = gridOf(h);
        QCOMPARE(grid->role(), QAccessible::Table);
        QAccessibleTableInterface* table = grid->tableInterface();
        QVERIFY(table);
        // The body: three characters, the columns after the number column.
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->columnCount(), heads.size());
        QCOMPARE(grid->childCount(), 4 * (heads.size() + 1));
        QCOMPARE(headerRow(h), heads);
        QCOMPARE(read(h, 0, 0), QStringLiteral("No"));
        QCOMPARE(cellAt(h, 0, 0)->role(), QAccessible::ColumnHeader);
        for (int r = 1; r <= 3; ++r) {
            const auto rowHead = table->cellAt(r - 1, 2)->tableCellInterface()->rowHeaderCells();
            QCOMPARE(rowHead.size(), 1);
            QCOMPARE(rowHead[0]->role(), QAccessible::RowHeader);
            QCOMPARE(rowHead[0]->text(QAccessible::Name), QString::number(r));
            QCOMPARE(table->rowDescription(r - 1), QString::number(r));
        }
        QCOMPARE(table->columnDescription(2), QStringLiteral("Name"));
    }

    void cellsReadWhatTheyShow()
    {
        TableFixture h;
        CharRecord& rec = h.rec(2);
        rec.setName(*cp932::encode(u"ユキミ"));
        rec.lock = 1;
        rec.id = 6;
        rec.wtype = 4;
        rec.status[0] = 120;
        rec.status[8] = -5;
        rec.ep1time[0] = -5025; // a best time, marked
        rec.ep1time[1] = 65;
        rec.ep2time[5] = 3600;
        h.table->repaint();

        QCOMPARE(read(h, 1, 2), QStringLiteral("x"));
        QCOMPARE(read(h, 2, 2), QString());
        QCOMPARE(read(h, 3, 2), QString::fromUtf8("ユキミ"));
        QCOMPARE(read(h, 4, 2), QStringLiteral("REDRIA")); // the emblem by its section ID's name
        QCOMPARE(read(h, 4, 1), QStringLiteral("VIRIDIA"));
        QCOMPARE(read(h, 5, 2), QStringLiteral("RAmar"));
        QCOMPARE(read(h, 6, 2), QStringLiteral("120"));
        QCOMPARE(read(h, 14, 2), QStringLiteral("-5"));
        h.table->setView(ViewMode::Ep1);
        QCOMPARE(read(h, 6, 2), QStringLiteral("* 1'23\"45"));
        QCOMPARE(read(h, 7, 2), QStringLiteral(" 0'01\"05"));
        QCOMPARE(read(h, 8, 2), QStringLiteral(" 0'00\"00"));
        h.table->setView(ViewMode::Ep2);
        QCOMPARE(read(h, 11, 2), QStringLiteral(" 1'00\"00"));
        QCOMPARE(read(h, 3, 2), QString::fromUtf8("ユキミ"));

        // What every other body cell reads is what it shows.
        for (int c = 1; c < h.grid->colCount(); ++c)
            if (c != IdColumn)
                QCOMPARE(read(h, c, 1), h.table->cellText(c, 1));
    }

    void cellsKnowTheirPlace()
    {
        TableFixture h;
        QAccessibleInterface* grid = gridOf(h);
        QAccessibleTableInterface* table = grid->tableInterface();
        QAccessibleInterface* cell = table->cellAt(1, 4); // grid row 2, the class column
        QCOMPARE(cell, cellAt(h, 5, 2));
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->parent(), grid);
        QCOMPARE(grid->indexOfChild(cell), h.grid->cellIndex(5, 2));
        QAccessibleTableCellInterface* place = cell->tableCellInterface();
        QCOMPARE(place->rowIndex(), 1);
        QCOMPARE(place->columnIndex(), 4);
        QCOMPARE(place->table(), grid);
        QCOMPARE(place->columnHeaderCells().value(0)->text(QAccessible::Name), QStringLiteral("Type"));
        // The same cell keeps one id for as long as the rows and columns stay.
        const QAccessible::Id id = QAccessible::uniqueId(cell);
        QCOMPARE(QAccessible::uniqueId(table->cellAt(1, 4)), id);
        // Where it is drawn on the screen.
        const QRect onScreen = cell->rect();
        QCOMPARE(onScreen.size(), h.grid->cellRect(5, 2).size());
        QCOMPARE(grid->childAt(onScreen.center().x(), onScreen.center().y()), cell);
        QVERIFY(!table->cellAt(2, 0)); // past the last row
        QVERIFY(!table->cellAt(0, 14)); // past the last column
    }

    void highlightAndFocusFollowTheKeys()
    {
        TableFixture h;
        Client client;
        h.grid->setFocus();
        QTest::keyClick(h.grid, Qt::Key_Right);
        QTest::keyClick(h.grid, Qt::Key_Right);
        QTest::keyClick(h.grid, Qt::Key_Down);
        QCOMPARE(Client::namesHeard(h.grid, QAccessible::Focus, 3, 2), QStringList{QString()});
        QCOMPARE(Client::namesHeard(h.grid, QAccessible::Selection, 3, 2), QStringList{QString()});
        QCOMPARE(Client::namesHeard(h.grid, QAccessible::Focus, 3, 1).size(), 1);
        QAccessibleInterface* now = cellAt(h, 3, 2);
        QCOMPARE(gridOf(h)->focusChild(), now);
        QVERIFY(now->state().focused);
        QVERIFY(now->state().selected);
        QVERIFY(!cellAt(h, 3, 1)->state().selected);
        // A range: the cells inside it are selected, and the table says which.
        QTest::keyClick(h.grid, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(Client::countHeard(h.grid, QAccessible::SelectionWithin), 1);
        QAccessibleTableInterface* table = gridOf(h)->tableInterface();
        QCOMPARE(table->selectedCellCount(), 2);
        QCOMPARE(table->selectedCells(), (QList<QAccessibleInterface*>{cellAt(h, 3, 2), cellAt(h, 4, 2)}));
        QVERIFY(table->selectedRows().isEmpty());
        QTest::keyClick(h.grid, Qt::Key_Home);
        QTest::keyClick(h.grid, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(table->selectedRows(), QList<int>{1});
        QCOMPARE(table->selectedCellCount(), 14);
        // Leaving the grid and coming back tells again which cell has the focus.
        Client::heard.clear();
        h.memo->setFocus();
        h.grid->setFocus();
        QTRY_COMPARE(Client::namesHeard(h.grid, QAccessible::Focus, 14, 2).size(), 1);
    }

    void namesChangeWithTheCells()
    {
        TableFixture h(ViewMode::Ep1);
        Client client;
        // A client has read these cells once.
        QCOMPARE(read(h, 3, 1), QString());
        QCOMPARE(read(h, 6, 1), QStringLiteral(" 0'00\"00"));
        QCOMPARE(read(h, 15, 1), QStringLiteral(" 0'00\"00"));
        QCOMPARE(read(h, 0, 1), QStringLiteral("1"));
        Client::heard.clear();

        h.click(NameColumn, 1);
        QTest::keyClicks(h.editors->ME1, QStringLiteral("Kestrel"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        QCOMPARE(read(h, 3, 1), QStringLiteral("Kestrel"));
        QCOMPARE(Client::namesHeard(h.grid, QAccessible::NameChanged, 3, 1), QStringList{"Kestrel"});

        h.click(6, 1);
        QTest::keyClicks(h.editors->ME1, QStringLiteral("500"));
        QTest::keyClick(h.editors->ME1, Qt::Key_Return);
        // The time with its best mark, and the total that followed it.
        QCOMPARE(Client::namesHeard(h.grid, QAccessible::NameChanged, 6, 1), QStringList{"* 0'05\"00"});
        QCOMPARE(Client::namesHeard(h.grid, QAccessible::NameChanged, 15, 1), QStringList{" 0'05\"00"});
        // A cell that did not change is not told again.
        QVERIFY(Client::namesHeard(h.grid, QAccessible::NameChanged, 0, 1).isEmpty());

        // A flag toggled with the mouse is heard too.
        QCOMPARE(read(h, 2, 2), QString());
        h.click(NoCountColumn, 2);
        QCOMPARE(Client::namesHeard(h.grid, QAccessible::NameChanged, 2, 2), QStringList{"x"});
    }

    void rowsAndColumnsComingOrGoingResetTheCells_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("row"); // where the named record stands afterwards
        QTest::addColumn<QString>("name");
        QTest::newRow("row added") << "add" << 2 << "Second";
        QTest::newRow("row deleted") << "delete" << 1 << "Second";
        QTest::newRow("view switched") << "view" << 2 << "Second";
        QTest::newRow("shorter roster loaded") << "load" << 2 << "";
    }
    void rowsAndColumnsComingOrGoingResetTheCells()
    {
        QFETCH(QString, change);
        QFETCH(int, row);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const std::string file = dir.filePath(QStringLiteral("three.pd3")).toStdString();
        TableFixture h;
        Client client;
        h.sheet.save(file);
        h.sheet.appendRecord();
        h.rec(2).setName("Second");
        h.table->repaint();
        QCOMPARE(read(h, 3, 2), QStringLiteral("Second"));
        const QAccessible::Id before = QAccessible::uniqueId(cellAt(h, 3, 2));
        Client::heard.clear();

        if (change == "add") {
            h.sheet.appendRecord();
        } else if (change == "delete") {
            h.sheet.deleteRecord(1);
        } else if (change == "view") {
            h.table->setView(ViewMode::Ep1);
        } else {
            h.sheet.load(file);
        }
        // The old cell objects are gone; clients find new ones where the grid now stands.
        QVERIFY(!QAccessible::accessibleInterface(before));
        QCOMPARE(Client::resetsHeard(h.grid), 1);
        QAccessibleTableInterface* table = gridOf(h)->tableInterface();
        QCOMPARE(table->rowCount(), static_cast<int>(h.sheet.roster.size()) - 1);
        QCOMPARE(table->columnCount(), h.grid->colCount() - 1);
        QCOMPARE(read(h, 3, row), name);
    }

    // The pickers and the editor are named as the column they edit.
    void editorsAreNamedAsTheirColumn_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("name");
        QTest::newRow("State") << int(ViewMode::State) << "HP";
        QTest::newRow("EP1") << int(ViewMode::Ep1) << "C2";
        QTest::newRow("EP2") << int(ViewMode::Ep2) << "C2";
    }
    void editorsAreNamedAsTheirColumn()
    {
        QFETCH(int, view);
        QFETCH(QString, name);
        TableFixture h(static_cast<ViewMode>(view));
        const auto nameOf = [](QWidget* w) {
            return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        };
        QCOMPARE(nameOf(h.editors->LBID), QStringLiteral("ID"));
        QCOMPARE(nameOf(h.editors->LBType), QStringLiteral("Type"));
        h.click(FirstValueColumn + 1, 1);
        QCOMPARE(nameOf(h.editors->ME1), name);
    }
};

QTEST_MAIN(TstTableAccess)
#include "tst_tableaccess.moc"
