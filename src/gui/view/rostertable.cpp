#include "view/rostertable.h"

#include "view/celleditors.h"
#include "view/drawgrid.h"

#include <QPainter>

namespace qvr {

RosterTable::RosterTable(RosterSheet& sheet, DrawGrid& grid, QWidget& pane, CellEditors::MemoMaker makeMemo,
    const std::vector<QPixmap>& emblems)
    : QObject(&pane),
      sheet_(sheet),
      grid_(grid),
      emblems_(emblems),
      editors_(new CellEditors(sheet, grid, pane, std::move(makeMemo)))
{
    grid_.setBeforeClick([this] { return editors_->closeBeforeClick(); });
    grid_.setCellText([this](int c, int r) { return cellReadText(c, r); });
}

void RosterTable::setView(ViewMode view)
{
    view_ = view;
    grid_.setColCount(columnCount(view));
    editors_->dropEditor();
    repaint();
}

const CharRecord* RosterTable::record(int row) const
{
    const Roster& rows = sheet_.roster;
    return row >= 0 && static_cast<std::size_t>(row) < rows.size() ? rows[static_cast<std::size_t>(row)].get()
                                                                   : nullptr;
}

QString RosterTable::cellText(int col, int row) const
{
    if (row == 0)
        return headerText(view_, col);
    const CharRecord* rec = record(row);
    return rec ? qvr::cellText(*rec, view_, col, row) : QString();
}

QString RosterTable::cellReadText(int col, int row) const
{
    if (row == 0)
        return headerText(view_, col);
    const CharRecord* rec = record(row);
    return rec ? qvr::cellReadText(*rec, view_, col, row) : QString();
}

void RosterTable::drawCell(QPainter& canvas, int col, int row, const QRect& rect) const
{
    const CharRecord* rec = record(row);
    if (!rec)
        return;
    if (row > 0 && col == IdColumn) {
        const int id = rec->id;
        if (id >= 0 && static_cast<std::size_t>(id) < emblems_.size())
            canvas.drawPixmap(rect.topLeft(), emblems_[static_cast<std::size_t>(id)]);
        return;
    }
    drawCellText(canvas, rect, cellAlignment(view_, col, row), cellText(col, row));
}

int RosterTable::press(Qt::MouseButton button, int x, int y)
{
    int c = -1;
    int r = -1;
    grid_.mouseToCell(x, y, c, r);
    if (r < 1 || c < 0)
        return -1;
    editors_->cellPressed(button, c, r, view_);
    return c;
}

void RosterTable::follow(RosterSheet::Change change)
{
    if (change == RosterSheet::Change::Rows)
        grid_.setRowCount(static_cast<int>(sheet_.roster.size()));
    repaint();
}

void RosterTable::repaint() { grid_.cellsChanged(); }

} // namespace qvr
