#pragma once
// The column tables as the grid shows them: header and cell texts as QString,
// their alignment, and the drawing of one cell's text.

#include <QString>

#include "roster/charrecord.h"
#include "roster/columns.h"

class QPainter;
class QRect;

namespace qvr {

inline int columnCount(ViewMode view) { return viewColumns(view).count(); }
QString headerText(ViewMode view, int col);
// The text a body cell of `row` shows; empty for the emblem column, which shows a picture.
QString cellText(const CharRecord& rec, ViewMode view, int col, int row);
// What is read aloud for a body cell: its text, the section ID's name for the emblem.
QString cellReadText(const CharRecord& rec, ViewMode view, int col, int row);
CellAlignment cellAlignment(ViewMode view, int col, int row);

// Draws a cell's one text inside its rectangle, clipped to it.
void drawCellText(QPainter& canvas, const QRect& rect, CellAlignment alignment, const QString& text);

} // namespace qvr
