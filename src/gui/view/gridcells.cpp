#include "view/gridcells.h"

#include "platform/qtext.h"

#include <QFontMetrics>
#include <QPainter>

namespace qvr {

QString headerText(ViewMode view, int col)
{
    const Column* column = viewColumns(view).at(col);
    return column ? fromLatin1View(column->heading) : QString();
}

QString cellText(const CharRecord& rec, ViewMode view, int col, int row)
{
    const Column* column = viewColumns(view).at(col);
    return column ? fromCp932(columnText(*column, rec, row)) : QString();
}

QString cellReadText(const CharRecord& rec, ViewMode view, int col, int row)
{
    const Column* column = viewColumns(view).at(col);
    return column ? fromCp932(columnReadText(*column, rec, row)) : QString();
}

CellAlignment cellAlignment(ViewMode view, int col, int row)
{
    const Column* column = viewColumns(view).at(col);
    return row > 0 && column ? column->alignment : CellAlignment::Center;
}

void drawCellText(QPainter& canvas, const QRect& rect, CellAlignment alignment, const QString& text)
{
    if (text.isEmpty())
        return;
    const QFontMetrics fm(canvas.font());
    const int tw = fm.horizontalAdvance(text);
    const int right = rect.left() + rect.width(); // exclusive
    const int x = alignment == CellAlignment::Right ? right - tw - 3 : rect.left() + rect.width() / 2 - tw / 2 + 1;
    const int y = rect.top() + 1;
    canvas.save();
    canvas.setClipRect(rect, Qt::IntersectClip);
    canvas.drawText(QPoint(x, y + fm.ascent()), text);
    canvas.restore();
}

} // namespace qvr
