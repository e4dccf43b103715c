#include "view/gridcells.h"

#include "platform/qtext.h"
#include "roster/timevalue.h"

#include <QFontMetrics>
#include <QPainter>

namespace qvr {

namespace {

const char* const COMMON_HEADS[] = {"No", "L", "C", "Name", "ID", "Type"};
const char* const STATE_HEADS[] = {"Lv", "HP", "TP", "DEF", "STR", "MIND", "EVE", "DEX", "LUK"};
constexpr int STATE_VALUES = 9;

template <std::size_t N>
QString nameAt(const std::array<std::string_view, N>& names, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? fromLatin1View(names[static_cast<std::size_t>(index)])
                                                             : QString();
}

// The value columns of a view: its stages and the total, or the status values.
int valueCount(ViewMode view)
{
    switch (view) {
    case ViewMode::Ep1: return EP1_STAGES + 1;
    case ViewMode::Ep2: return EP2_STAGES + 1;
    case ViewMode::State: break;
    }
    return STATE_VALUES;
}

} // namespace

ViewMode viewModeFrom(int dispmode)
{
    switch (dispmode) {
    case 1: return ViewMode::Ep1;
    case 2: return ViewMode::Ep2;
    default: return ViewMode::State;
    }
}

int columnCount(ViewMode view) { return FirstValueColumn + valueCount(view); }

QString headerText(ViewMode view, int col)
{
    if (col < 0)
        return {};
    if (col < FirstValueColumn)
        return QString::fromLatin1(COMMON_HEADS[col]);
    const int i = col - FirstValueColumn;
    if (view == ViewMode::State)
        return i < STATE_VALUES ? QString::fromLatin1(STATE_HEADS[i]) : QString();
    const int stages = valueCount(view) - 1;
    if (i < stages)
        return QStringLiteral("C%1").arg(i + 1);
    return i == stages ? QStringLiteral("TOTAL") : QString();
}

QString cellText(const CharRecord& rec, ViewMode view, int col, int row)
{
    switch (col) {
    case NumberColumn: return QString::number(row);
    case LockColumn: return rec.lock ? QStringLiteral("x") : QString();
    case NoCountColumn: return rec.nocount ? QStringLiteral("x") : QString();
    case NameColumn: return fromCp932(rec.nameText());
    case IdColumn: return {};
    case ClassColumn: return nameAt(CLASS_NAMES, rec.wtype);
    default: break;
    }
    const int i = col - FirstValueColumn;
    if (i < 0 || i >= valueCount(view))
        return {};
    const auto at = static_cast<std::size_t>(i);
    switch (view) {
    case ViewMode::Ep1: return fromLatin1View(TimeText(rec.ep1time[at]).view());
    case ViewMode::Ep2: return fromLatin1View(TimeText(rec.ep2time[at]).view());
    case ViewMode::State: break;
    }
    return QString::number(rec.status[at]);
}

CellAlignment cellAlignment(ViewMode view, int col, int row)
{
    const bool statusValue = row > 0 && col >= FirstValueColumn && view == ViewMode::State;
    return statusValue ? CellAlignment::Right : CellAlignment::Center;
}

QString sectionIdName(const CharRecord& rec) { return nameAt(SECTION_ID_NAMES, rec.id); }

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
