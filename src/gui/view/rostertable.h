#pragma once
// The roster as a table: what each cell of the grid shows and reads in the chosen
// view, the emblems drawn in the ID column, and presses on the cells handed to the
// in-place editors. The window lays the widgets out and names the grid's paint and
// press handlers; they come here.

#include <QObject>
#include <QPixmap>
#include <vector>

#include "roster/rostersheet.h"
#include "view/celleditors.h"
#include "view/gridcells.h"

class QPainter;
class QRect;
class QWidget;

namespace qvr {

class DrawGrid;

class RosterTable : public QObject {
    Q_OBJECT
public:
    // The editors float over `pane`, which holds the grid; the memo box is made
    // at its first use; `emblems` are the ID column's pictures, one per section
    // ID, kept by the caller at its pixel ratio.
    RosterTable(RosterSheet& sheet, DrawGrid& grid, QWidget& pane, CellEditors::MemoMaker makeMemo,
        const std::vector<QPixmap>& emblems);

    CellEditors& editors() { return *editors_; }

    ViewMode view() const { return view_; }
    // The view's columns; an open editor is hidden without a commit, since the
    // callers commit first when they mean to.
    void setView(ViewMode view);

    // The text a cell shows, empty for the emblem column.
    QString cellText(int col, int row) const;
    // What assistive technology reads for a cell: its text, the section ID's name for the emblem.
    QString cellReadText(int col, int row) const;
    void drawCell(QPainter& canvas, int col, int row, const QRect& rect) const;

    // A mouse button went down at a point of the grid: a body cell is pressed and
    // its column returned, -1 for anywhere else.
    int press(Qt::MouseButton button, int x, int y);

    // The grid follows a change of the document: its row count, its cells.
    void follow(RosterSheet::Change change);
    void repaint();

private:
    const CharRecord* record(int row) const; // nullptr outside the roster

    RosterSheet& sheet_;
    DrawGrid& grid_;
    const std::vector<QPixmap>& emblems_;
    CellEditors* editors_ = nullptr;
    ViewMode view_ = ViewMode::State;
};

} // namespace qvr
