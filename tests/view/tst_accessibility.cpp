// What assistive technology reads of the real windows: the grid as a table of
// cells, the names of the controls, and the events that tell of changes.
#include "common/formfixture.h"
#include "view/rostertable.h"
#include "platform/alarm.h"
#include "platform/cp932.h"
#include "subtool/tform2.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <vector>

using namespace qvr;

namespace {

// One event as a client would have heard it.
struct Heard {
    QAccessible::Event type;
    QObject* object;
    int child;
    QString name;
    int modelChange; // for a table model change, its kind
};
std::vector<Heard> heard;

void listen(QAccessibleEvent* event)
{
    QAccessibleInterface* iface = event->accessibleInterface();
    const int modelChange = event->type() == QAccessible::TableModelChanged
        ? static_cast<QAccessibleTableModelChangeEvent*>(event)->modelChangeType()
        : -1;
    heard.push_back({event->type(), event->object(), event->child(), iface ? iface->text(QAccessible::Name) : QString(),
        modelChange});
}

// Events reach clients only while a client is there; this stands in for one.
class Listening {
public:
    Listening()
    {
        heard.clear();
        QAccessible::installUpdateHandler(listen);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~Listening()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
        heard.clear();
    }
    // What was heard of the grid's cell (col, row) of one kind.
    static QStringList namesHeard(const DrawGrid* grid, QAccessible::Event type, int col, int row)
    {
        QStringList names;
        for (const Heard& h : heard)
            if (h.type == type && h.object == grid && h.child == grid->cellIndex(col, row))
                names << h.name;
        return names;
    }
    static int countHeard(const DrawGrid* grid, QAccessible::Event type)
    {
        int n = 0;
        for (const Heard& h : heard)
            n += h.type == type && h.object == grid;
        return n;
    }
    static int resetsHeard(const DrawGrid* grid)
    {
        int n = 0;
        for (const Heard& h : heard)
            n += h.object == grid && h.modelChange == QAccessibleTableModelChangeEvent::ModelReset;
        return n;
    }
};

QAccessibleInterface* gridOf(TForm1& w) { return QAccessible::queryAccessibleInterface(w.DrawGrid1); }

// The cell at grid column col, row row, as a client walking the children finds it.
QAccessibleInterface* cellAt(TForm1& w, int col, int row) { return gridOf(w)->child(w.DrawGrid1->cellIndex(col, row)); }

QString read(TForm1& w, int col, int row)
{
    QAccessibleInterface* cell = cellAt(w, col, row);
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

QStringList headerRow(TForm1& w)
{
    QAccessibleTableInterface* table = gridOf(w)->tableInterface();
    QStringList heads;
    for (int c = 0; c < table->columnCount(); ++c) {
        const auto above = table->cellAt(0, c)->tableCellInterface()->columnHeaderCells();
        heads << (above.size() == 1 ? above[0]->text(QAccessible::Name)
                                    : QStringLiteral("<%1 headers>").arg(above.size()));
    }
    return heads;
}

// Every control a client can reach: shown, and something one reads or works.
void collectControls(QAccessibleInterface* iface, QList<QAccessibleInterface*>& out)
{
    static const QList<QAccessible::Role> controlRoles{QAccessible::PushButton, QAccessible::CheckBox,
        QAccessible::EditableText, QAccessible::ComboBox, QAccessible::List, QAccessible::Table,
        QAccessible::ProgressBar, QAccessible::StaticText};
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child || child->state().invisible)
            continue;
        if (controlRoles.contains(child->role()))
            out << child;
        if (child->role() != QAccessible::Table) // its cells are read in their own tests
            collectControls(child, out);
    }
}

QString nameOf(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); }

struct NoSound : AlarmPlayer {
    void play(const std::string&) override { }
};

} // namespace

class TstAccessibility : public QObject {
    Q_OBJECT
private slots:
    void tableShape_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("heads");
        const QStringList common{"L", "C", "Name", "ID", "Type"};
        QTest::newRow("State") << 0 << "State"
                               << common + QStringList{"Lv", "HP", "TP", "DEF", "STR", "MIND", "EVE", "DEX", "LUK"};
        QTest::newRow("EP1") << 1 << "EP1"
                             << common + QStringList{"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "TOTAL"};
        QTest::newRow("EP2") << 2 << "EP2" << common + QStringList{"C1", "C2", "C3", "C4", "C5", "TOTAL"};
    }
    void tableShape()
    {
        QFETCH(int, view);
        QFETCH(QString, description);
        QFETCH(QStringList, heads);
        FormFixture f;
        TForm1& w = f.start();
        w.appendRecord();
        w.setViewMode(view);
        QAccessibleInterface* grid = gridOf(w);
        QCOMPARE(grid->role(), QAccessible::Table);
        QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("Roster"));
        QCOMPARE(grid->text(QAccessible::Description), description);
        QAccessibleTableInterface* table = grid->tableInterface();
        QVERIFY(table);
        // The body: three characters, the columns after the number column.
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->columnCount(), heads.size());
        QCOMPARE(grid->childCount(), 4 * (heads.size() + 1));
        QCOMPARE(headerRow(w), heads);
        QCOMPARE(read(w, 0, 0), QStringLiteral("No"));
        QCOMPARE(cellAt(w, 0, 0)->role(), QAccessible::ColumnHeader);
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
        FormFixture f;
        TForm1& w = f.start();
        CharRecord& rec = *w.roster[2];
        rec.setName(*cp932::encode(u"ユキミ"));
        rec.lock = 1;
        rec.id = 6;
        rec.wtype = 4;
        rec.status[0] = 120;
        rec.status[8] = -5;
        rec.ep1time[0] = -5025; // a best time, marked
        rec.ep1time[1] = 65;
        rec.ep2time[5] = 3600;
        w.repaintGrid();

        QCOMPARE(read(w, 1, 2), QStringLiteral("x"));
        QCOMPARE(read(w, 2, 2), QString());
        QCOMPARE(read(w, 3, 2), QString::fromUtf8("ユキミ"));
        QCOMPARE(read(w, 4, 2), QStringLiteral("REDRIA")); // the emblem by its section ID's name
        QCOMPARE(read(w, 4, 1), QStringLiteral("VIRIDIA"));
        QCOMPARE(read(w, 5, 2), QStringLiteral("RAmar"));
        QCOMPARE(read(w, 6, 2), QStringLiteral("120"));
        QCOMPARE(read(w, 14, 2), QStringLiteral("-5"));
        w.setViewMode(1);
        QCOMPARE(read(w, 6, 2), QStringLiteral("* 1'23\"45"));
        QCOMPARE(read(w, 7, 2), QStringLiteral(" 0'01\"05"));
        QCOMPARE(read(w, 8, 2), QStringLiteral(" 0'00\"00"));
        w.setViewMode(2);
        QCOMPARE(read(w, 11, 2), QStringLiteral(" 1'00\"00"));
        QCOMPARE(read(w, 3, 2), QString::fromUtf8("ユキミ"));

        // What every other body cell reads is what it shows.
        for (int c = 1; c < w.DrawGrid1->colCount(); ++c)
            if (c != 4)
                QCOMPARE(read(w, c, 1), w.table().cellText(c, 1));
    }

    void cellsKnowTheirPlace()
    {
        FormFixture f;
        TForm1& w = f.start();
        QAccessibleInterface* grid = gridOf(w);
        QAccessibleTableInterface* table = grid->tableInterface();
        QAccessibleInterface* cell = table->cellAt(1, 4); // grid row 2, the class column
        QCOMPARE(cell, cellAt(w, 5, 2));
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->parent(), grid);
        QCOMPARE(grid->indexOfChild(cell), w.DrawGrid1->cellIndex(5, 2));
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
        QCOMPARE(onScreen.size(), w.DrawGrid1->cellRect(5, 2).size());
        QCOMPARE(grid->childAt(onScreen.center().x(), onScreen.center().y()), cell);
        QVERIFY(!table->cellAt(2, 0)); // past the last row
        QVERIFY(!table->cellAt(0, 14)); // past the last column
    }

    void highlightAndFocusFollowTheKeys()
    {
        FormFixture f;
        TForm1& w = f.start();
        Listening client;
        w.DrawGrid1->setFocus();
        QTest::keyClick(w.DrawGrid1, Qt::Key_Right);
        QTest::keyClick(w.DrawGrid1, Qt::Key_Right);
        QTest::keyClick(w.DrawGrid1, Qt::Key_Down);
        QCOMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::Focus, 3, 2), QStringList{QString()});
        QCOMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::Selection, 3, 2), QStringList{QString()});
        QCOMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::Focus, 3, 1).size(), 1);
        QAccessibleInterface* now = cellAt(w, 3, 2);
        QCOMPARE(gridOf(w)->focusChild(), now);
        QVERIFY(now->state().focused);
        QVERIFY(now->state().selected);
        QVERIFY(!cellAt(w, 3, 1)->state().selected);
        // A range: the cells inside it are selected, and the table says which.
        QTest::keyClick(w.DrawGrid1, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(Listening::countHeard(w.DrawGrid1, QAccessible::SelectionWithin) == 1);
        QAccessibleTableInterface* table = gridOf(w)->tableInterface();
        QCOMPARE(table->selectedCellCount(), 2);
        QCOMPARE(table->selectedCells(), (QList<QAccessibleInterface*>{cellAt(w, 3, 2), cellAt(w, 4, 2)}));
        QVERIFY(table->selectedRows().isEmpty());
        QTest::keyClick(w.DrawGrid1, Qt::Key_Home); // its release adds a row, as always
        QTest::keyClick(w.DrawGrid1, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(table->selectedRows(), QList<int>{1});
        QCOMPARE(table->selectedCellCount(), 14);
        // Leaving the grid and coming back tells again which cell has the focus.
        heard.clear();
        w.Panel4->show();
        w.Memo1->setFocus();
        w.DrawGrid1->setFocus();
        QTRY_COMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::Focus, 14, 2).size(), 1);
    }

    void namesChangeWithTheCells()
    {
        FormFixture f;
        TForm1& w = f.start();
        Listening client;
        w.setViewMode(1);
        // A client has read these cells once.
        QCOMPARE(read(w, 3, 1), QString());
        QCOMPARE(read(w, 6, 1), QStringLiteral(" 0'00\"00"));
        QCOMPARE(read(w, 15, 1), QStringLiteral(" 0'00\"00"));
        QCOMPARE(read(w, 0, 1), QStringLiteral("1"));
        heard.clear();

        f.click(3, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("Kestrel"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QCOMPARE(read(w, 3, 1), QStringLiteral("Kestrel"));
        QCOMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::NameChanged, 3, 1), QStringList{"Kestrel"});

        f.click(6, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("500"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        // The time with its best mark, and the total that followed it.
        QCOMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::NameChanged, 6, 1), QStringList{"* 0'05\"00"});
        QCOMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::NameChanged, 15, 1), QStringList{" 0'05\"00"});
        // A cell that did not change is not told again.
        QVERIFY(Listening::namesHeard(w.DrawGrid1, QAccessible::NameChanged, 0, 1).isEmpty());

        // A flag toggled and a class chosen with the mouse are heard too.
        QCOMPARE(read(w, 2, 2), QString());
        f.click(2, 2);
        QCOMPARE(Listening::namesHeard(w.DrawGrid1, QAccessible::NameChanged, 2, 2), QStringList{"x"});
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
        FormFixture f;
        TForm1& w = f.start();
        Listening client;
        const QString file = f.dir.filePath(QStringLiteral("three.pd3"));
        f.answers << file;
        w.Save1Click();
        w.appendRecord();
        w.roster[2]->setName("Second");
        w.repaintGrid();
        QCOMPARE(read(w, 3, 2), QStringLiteral("Second"));
        const QAccessible::Id before = QAccessible::uniqueId(cellAt(w, 3, 2));
        heard.clear();

        if (change == "add") {
            f.keyUpInGrid(Qt::Key_Home);
        } else if (change == "delete") {
            f.click(0, 1);
            w.SBdel->click();
        } else if (change == "view") {
            w.SpeedButton4->click();
        } else {
            f.answers << file;
            w.Load1Click();
        }
        // The old cell objects are gone; clients find new ones where the grid now stands.
        QVERIFY(!QAccessible::accessibleInterface(before));
        QCOMPARE(Listening::resetsHeard(w.DrawGrid1), 1);
        QAccessibleTableInterface* table = gridOf(w)->tableInterface();
        QCOMPARE(table->rowCount(), static_cast<int>(w.roster.size()) - 1);
        QCOMPARE(table->columnCount(), w.DrawGrid1->colCount() - 1);
        QCOMPARE(read(w, 3, row), name);
    }

    // A screen reader works a toggle button through its one action; it must do what a
    // click does, also when the reader was there before the window was built.
    void toggleActionClicksTheButton_data()
    {
        QTest::addColumn<bool>("listeningFromTheStart");
        QTest::newRow("reader came later") << false;
        QTest::newRow("reader there from the start") << true;
    }
    void toggleActionClicksTheButton()
    {
        QFETCH(bool, listeningFromTheStart);
        std::optional<Listening> early;
        if (listeningFromTheStart)
            early.emplace();
        FormFixture f;
        TForm1& w = f.start();
        const auto toggle = [](QWidget* button) {
            QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(button)->actionInterface();
            QVERIFY(actions);
            QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::toggleAction()});
            actions->doAction(QAccessibleActionInterface::toggleAction());
        };
        toggle(w.SpeedButton4);
        QCOMPARE(w.dispmode, 1);
        QCOMPARE(w.DrawGrid1->colCount(), 16);
        QVERIFY(QAccessible::queryAccessibleInterface(w.SpeedButton4)->state().checked);
        QCOMPARE(QAccessible::queryAccessibleInterface(w.SpeedButton4)->text(QAccessible::Name), QStringLiteral("EP1"));
        toggle(w.SpeedButton1);
        QVERIFY(w.Panel4->isVisible());
        toggle(w.SpeedButton1);
        QVERIFY(!w.Panel4->isVisible());
        QVERIFY(!w.SpeedButton1->isChecked());
    }

    void controlsHaveNames()
    {
        FormFixture f;
        TForm1& w = f.start();
        w.setViewMode(1);
        QCOMPARE(nameOf(w.SpeedButton1), QStringLiteral("MemoWindow on/off"));
        QCOMPARE(nameOf(w.SBup), QStringLiteral("Up"));
        QCOMPARE(nameOf(w.SBdown), QStringLiteral("Down"));
        QCOMPARE(nameOf(w.SBadd), QStringLiteral("+"));
        QCOMPARE(nameOf(w.BtnTool), QStringLiteral("SubTool"));
        QCOMPARE(nameOf(w.LBID), QStringLiteral("ID"));
        QCOMPARE(nameOf(w.LBType), QStringLiteral("Type"));
        QCOMPARE(nameOf(w.Memo1), QStringLiteral("Memo"));
        // The editor is named as the column it edits.
        f.click(7, 1);
        QCOMPARE(nameOf(w.ME1), QStringLiteral("C2"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        // The menus read without their Alt-key marks.
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(w.MainMenu1);
        QStringList menus;
        for (int i = 0; i < bar->childCount(); ++i)
            menus << bar->child(i)->text(QAccessible::Name);
        QCOMPARE(menus, (QStringList{"File", "Option"}));

        QList<QAccessibleInterface*> controls;
        collectControls(QAccessible::queryAccessibleInterface(&w), controls);
        QVERIFY(controls.size() >= 10);
        for (QAccessibleInterface* control : controls)
            QVERIFY2(!control->text(QAccessible::Name).isEmpty(),
                qPrintable(QStringLiteral("%1 has no name").arg(control->object()->objectName())));
    }

    void bestStripReadsItsBoxes_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("text");
        QTest::newRow("EP1") << 1
                             << "Stage1 0'05\"00, Stage2 2'00\"00, Stage3 2'00\"00, Stage4 2'00\"00, Stage5 2'00\"00, "
                                "Stage6 2'00\"00, Stage7 2'00\"00, Stage8 2'00\"00, Stage9 2'00\"00, Total 16'05\"00";
        QTest::newRow("EP2") << 2
                             << "Stage1 2'00\"00, Stage2 2'00\"00, Stage3 2'00\"00, Stage4 2'00\"00, Stage5 2'00\"00, "
                                "Total 10'00\"00";
    }
    void bestStripReadsItsBoxes()
    {
        QFETCH(int, view);
        QFETCH(QString, text);
        FormFixture f;
        TForm1& w = f.start();
        QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(w.Image1);
        QCOMPARE(strip->role(), QAccessible::StaticText);
        QCOMPARE(strip->text(QAccessible::Name), QString()); // nothing drawn yet in the State view
        w.setViewMode(1);
        f.click(6, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("500"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        w.setViewMode(view);
        QCOMPARE(strip->text(QAccessible::Name), text);
    }

    void subToolControlsHaveNamesOfTheirOwn()
    {
        NoSound sound;
        TForm2 tool("default.wav", &sound);
        tool.show();
        const std::vector<std::pair<QWidget*, QString>> expected{{tool.MaskEdit1, "Length"}, {tool.CRep, "Rep"},
            {tool.SpeedButton1, "Sound"}, {tool.Button1, "Start"}, {tool.Edit1, "Name"}, {tool.Edit2, "Result"},
            {tool.CBB, "QVRNX"}, {tool.CBType, "Class"}};
        for (const auto& [widget, name] : expected)
            QCOMPARE(nameOf(widget), name);
        QList<QAccessibleInterface*> controls;
        collectControls(QAccessible::queryAccessibleInterface(&tool), controls);
        QVERIFY(controls.size() > static_cast<qsizetype>(expected.size()));
        for (QAccessibleInterface* control : controls)
            QVERIFY2(!control->text(QAccessible::Name).isEmpty(), qPrintable(control->object()->objectName()));
    }
};

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
