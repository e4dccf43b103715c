#pragma once
// What each cell of the grid shows: the views, their columns, header texts, cell
// texts and alignments. The grid widget asks; the roster answers through here.

#include <QString>

#include "roster/charrecord.h"

class QPainter;
class QRect;

namespace qvr {

// The grid's three views, as the settings file numbers them.
enum class ViewMode { State = 0, Ep1 = 1, Ep2 = 2 };
// Anything but an episode view is the State view.
ViewMode viewModeFrom(int dispmode);
inline int dispmodeOf(ViewMode view) { return static_cast<int>(view); }

// The columns every view shares; the view's values (status values or stage
// times, then the episode total) start at FirstValueColumn.
enum GridColumn : int {
    NumberColumn = 0,
    LockColumn = 1,
    NoCountColumn = 2,
    NameColumn = 3,
    IdColumn = 4,
    ClassColumn = 5,
    FirstValueColumn = 6,
};

enum class CellAlignment { Center = 1, Right = 2 };

int columnCount(ViewMode view);
QString headerText(ViewMode view, int col);
// The text a body cell of `row` shows; empty for the emblem column, which shows a picture.
QString cellText(const CharRecord& rec, ViewMode view, int col, int row);
CellAlignment cellAlignment(ViewMode view, int col, int row);
// The name of the section ID the emblem column pictures, empty when out of range.
QString sectionIdName(const CharRecord& rec);

// Draws a cell's one text inside its rectangle, clipped to it.
void drawCellText(QPainter& canvas, const QRect& rect, CellAlignment alignment, const QString& text);

} // namespace qvr
