#pragma once
// The roster table without the main window: a grid, a memo box and the document,
// with the grid's paint and press handlers wired as the window wires them, shown
// under the offscreen platform and driven like a user.

#include "common/focuskeys.h"
#include "platform/errorreport.h"
#include "platform/windowfonts.h"
#include "roster/rostersheet.h"
#include "view/celleditors.h"
#include "view/drawgrid.h"
#include "view/emblems.h"
#include "view/rostertable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>

class TableFixture {
public:
    explicit TableFixture(qvr::ViewMode view = qvr::ViewMode::State)
    {
        auto* layout = new QVBoxLayout(&pane);
        grid = new qvr::DrawGrid(&pane);
        grid->setFont(qvr::gridFont());
        memo = new QPlainTextEdit(QStringLiteral("Memo1"), &pane);
        memo->setFixedHeight(80);
        layout->addWidget(grid, 1);
        layout->addWidget(memo);
        table = new qvr::RosterTable(
            sheet, *grid, pane, [this] { return memo; }, emblems);
        editors = &table->editors();
        editors->memo(); // wired now: some tests type in it before any press
        grid->setColCount(qvr::columnCount(view));
        for (int c = 0; c < grid->colCount(); ++c)
            grid->setColWidth(c, qvr::colwidth(view, c));
        table->setView(view);
        table->follow(qvr::RosterSheet::Change::Rows);
        sheet.setListener([this](qvr::RosterSheet::Change change, int) { table->follow(change); });
        grid->setDrawCell([this](QPainter& p, int c, int r, const QRect& rect) { table->drawCell(p, c, r, rect); });
        QObject::connect(
            grid, &qvr::DrawGrid::mouseDown, &pane, [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                qvr::guard([&] {
                    if (const int col = table->press(b, x, y); col >= 0)
                        pressedCol = col;
                });
            });
        qvr::setErrorReportHook([this](const QString& text) { reports << text; });
        pane.resize(900, 400); // room for the rows the tests draw
        pane.show();
        QApplication::setActiveWindow(&pane);
        if (!QTest::qWaitForWindowActive(&pane))
            qWarning("table fixture not active");
    }
    ~TableFixture() { qvr::setErrorReportHook({}); }

    void click(int col, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(grid->viewport(), button, {}, grid->cellRect(col, row).center());
    }
    // Through the window, so the second press arrives as the platform sends it.
    void doubleClick(int col, int row)
    {
        const QPoint at = grid->viewport()->mapTo(&pane, grid->cellRect(col, row).center());
        QTest::mouseDClick(pane.windowHandle(), Qt::LeftButton, {}, at);
    }
    qvr::CharRecord& rec(int row) { return *sheet.roster[static_cast<std::size_t>(row)]; }
    // The document outlives the widgets, which may still store an edit as they go.
    qvr::RosterSheet sheet;
    std::vector<QPixmap> emblems = qvr::sectionEmblems(1.0);
    QStringList reports;
    int pressedCol = -1; // the column of the last press on a body cell, kept as the window keeps it
    QWidget pane;
    qvr::DrawGrid* grid = nullptr;
    QPlainTextEdit* memo = nullptr;
    qvr::RosterTable* table = nullptr;
    qvr::CellEditors* editors = nullptr;
};
