#include "view/drawgrid.h"

#include "view/drawgridaccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace qvr {

DrawGrid::DrawGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    // A click takes the focus only once an open editor has let it go (see press()).
    setFocusPolicy(Qt::TabFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(false);
    installDrawGridAccessibility();
}

void DrawGrid::setColCount(int count)
{
    const bool changed = std::max(count, 0) != colCount();
    colWidths_.resize(static_cast<std::size_t>(std::max(count, 0)), defaultColWidth_);
    curCol_ = std::clamp(curCol_, fixedCols_, std::max(fixedCols_, count - 1));
    anchorCol_ = std::clamp(anchorCol_, fixedCols_, std::max(fixedCols_, count - 1));
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, count - 1));
    updateScrollBars();
    viewport()->update();
    if (changed)
        announceModelReset();
}

void DrawGrid::setRowCount(int count)
{
    const bool changed = std::max(count, 0) != rowCount_;
    rowCount_ = std::max(count, 0);
    curRow_ = std::clamp(curRow_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    anchorRow_ = std::clamp(anchorRow_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    updateScrollBars();
    viewport()->update();
    if (changed)
        announceModelReset();
}

void DrawGrid::cellsChanged()
{
    viewport()->update();
    if (!QAccessible::isActive() || rowCount_ == 0 || colCount() == 0)
        return;
    QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
    event.setFirstRow(0);
    event.setLastRow(rowCount_ - 1);
    event.setFirstColumn(0);
    event.setLastColumn(colCount() - 1);
    QAccessible::updateAccessibility(&event);
}

// Rows or columns came or went: the cells known so far no longer stand where they were.
void DrawGrid::announceModelReset()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&event);
}

// The highlight moved: it selects the cell (or widens the range) and, with the focus, focuses it.
void DrawGrid::announceCurrent(bool extended)
{
    if (!QAccessible::isActive() || curCol_ >= colCount() || curRow_ >= rowCount_)
        return;
    const int index = cellIndex(curCol_, curRow_);
    if (extended) {
        QAccessibleEvent within(this, QAccessible::SelectionWithin);
        QAccessible::updateAccessibility(&within);
    } else {
        QAccessibleEvent selection(this, QAccessible::Selection);
        selection.setChild(index);
        QAccessible::updateAccessibility(&selection);
    }
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(index);
        QAccessible::updateAccessibility(&focus);
    }
}

void DrawGrid::setColWidth(int col, int width)
{
    colWidths_.at(static_cast<std::size_t>(col)) = width;
    updateScrollBars();
    viewport()->update();
}

void DrawGrid::setTopRow(int row)
{
    verticalScrollBar()->setValue(row);
    topRow_ = std::clamp(row, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    viewport()->update();
}

void DrawGrid::setLeftCol(int col)
{
    horizontalScrollBar()->setValue(col);
    leftCol_ = std::clamp(col, fixedCols_, std::max(fixedCols_, colCount() - 1));
    viewport()->update();
}

int DrawGrid::visibleRowCount() const
{
    int body = viewport()->height() - (rowHeight_ + lineWidth_);
    int pitch = rowHeight_ + lineWidth_;
    return std::max(0, (body + pitch - 1) / pitch);
}

int DrawGrid::colLeft(int col) const
{
    if (col < 0 || col >= colCount())
        return -1;
    if (col < fixedCols_) {
        int x = 0;
        for (int c = 0; c < col; ++c)
            x += colWidth(c) + lineWidth_;
        return x;
    }
    if (col < leftCol_)
        return -1;
    int x = 0;
    for (int c = 0; c < fixedCols_; ++c)
        x += colWidth(c) + lineWidth_;
    for (int c = leftCol_; c < col; ++c) {
        x += colWidth(c) + lineWidth_;
        if (x > viewport()->width())
            return -1;
    }
    return x;
}

int DrawGrid::rowTop(int row) const
{
    if (row < 0)
        return -1;
    int pitch = rowHeight_ + lineWidth_;
    if (row < fixedRows_)
        return row * pitch;
    if (row < topRow_)
        return -1;
    return (fixedRows_ + row - topRow_) * pitch;
}

QRect DrawGrid::cellRectAt(int col, int row) const
{
    int x = colLeft(col);
    int y = rowTop(row);
    if (x < 0 || y < 0)
        return {};
    return {x, y, colWidth(col), rowHeight_};
}

QRect DrawGrid::cellRect(int col, int row) const
{
    if (row >= rowCount_)
        return {};
    QRect r = cellRectAt(col, row);
    if (r.isEmpty() || r.top() >= viewport()->height() || r.left() >= viewport()->width())
        return {};
    return r;
}

void DrawGrid::mouseToCell(int x, int y, int& col, int& row) const
{
    col = -1;
    row = -1;
    for (int c = 0, left = 0; c < colCount() && left <= x; ++c) {
        if (c >= fixedCols_ && c < leftCol_)
            continue;
        int right = left + colWidth(c) + lineWidth_;
        if (x >= left && x < right) {
            col = c;
            break;
        }
        left = right;
    }
    if (y >= 0) {
        int pitch = rowHeight_ + lineWidth_;
        int slot = y / pitch;
        int r = slot < fixedRows_ ? slot : topRow_ + slot - fixedRows_;
        if (r < rowCount_)
            row = r;
    }
}

QRect DrawGrid::selectedRange() const
{
    return QRect(QPoint(std::min(curCol_, anchorCol_), std::min(curRow_, anchorRow_)),
        QPoint(std::max(curCol_, anchorCol_), std::max(curRow_, anchorRow_)));
}

// Only the shown rows and columns are visited: the cost follows the window, not the roster.
std::vector<int> DrawGrid::shownCols(int width) const
{
    std::vector<int> cols;
    for (int c = 0; c < fixedCols_ && c < colCount(); ++c)
        cols.push_back(c);
    for (int c = leftCol_, x = colLeft(leftCol_); c < colCount() && x >= 0 && x < width; ++c) {
        cols.push_back(c);
        x += colWidth(c) + lineWidth_;
    }
    return cols;
}

std::vector<int> DrawGrid::shownRows(int height) const
{
    const int pitch = rowHeight_ + lineWidth_;
    std::vector<int> rows;
    for (int r = 0; r < fixedRows_ && r < rowCount_; ++r)
        rows.push_back(r);
    for (int r = topRow_, y = fixedRows_ * pitch; r < rowCount_ && y < height; ++r, y += pitch)
        rows.push_back(r);
    return rows;
}

void DrawGrid::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    p.fillRect(area, palette().color(QPalette::Window));
    const std::vector<int> cols = shownCols(area.width());
    for (int r : shownRows(area.height()))
        for (int c : cols)
            paintCell(p, c, r);
}

void DrawGrid::paintCell(QPainter& p, int c, int r)
{
    const QPalette& pal = palette();
    const int pitch = rowHeight_ + lineWidth_;
    const QRect rect = cellRectAt(c, r);
    const bool fixed = r < fixedRows_ || c < fixedCols_;
    QColor bg = pal.color(QPalette::Base);
    QColor fg = pal.color(QPalette::Text);
    if (fixed) {
        bg = pal.color(QPalette::Button);
        fg = pal.color(QPalette::ButtonText);
    } else if (isSelected(c, r)) {
        bg = pal.color(QPalette::Highlight);
        fg = pal.color(QPalette::HighlightedText);
    }
    p.fillRect(rect, bg);
    // Lines right of and below the cell.
    const QColor line = fixed ? pal.color(QPalette::Dark) : pal.color(QPalette::Midlight).darker(110);
    p.fillRect(QRect(rect.right() + 1, rect.top(), lineWidth_, pitch), line);
    p.fillRect(QRect(rect.left(), rect.bottom() + 1, rect.width() + lineWidth_, lineWidth_), line);
    if (drawCell_) {
        p.save();
        p.setClipRect(rect);
        p.setPen(fg);
        p.setFont(font());
        drawCell_(p, c, r, rect);
        p.restore();
    }
    if (!fixed && c == curCol_ && r == curRow_ && hasFocus()) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = rect;
        opt.backgroundColor = bg;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

void DrawGrid::updateScrollBars()
{
    const int pitch = rowHeight_ + lineWidth_;
    int fullRows = std::max(1, (viewport()->height() - fixedRows_ * pitch) / pitch);
    int maxTop = std::max(fixedRows_, rowCount_ - fullRows);
    verticalScrollBar()->setRange(fixedRows_, maxTop);
    verticalScrollBar()->setPageStep(fullRows);
    verticalScrollBar()->setSingleStep(1);

    // The last left column that still lets the final column show whole.
    int fixedWidth = 0;
    for (int c = 0; c < fixedCols_ && c < colCount(); ++c)
        fixedWidth += colWidth(c) + lineWidth_;
    int room = viewport()->width() - fixedWidth;
    int maxLeft = std::max(fixedCols_, colCount() - 1);
    for (int c = colCount() - 1, used = 0; c >= fixedCols_; --c) {
        used += colWidth(c) + lineWidth_;
        if (used > room)
            break;
        maxLeft = c;
    }
    horizontalScrollBar()->setRange(fixedCols_, std::max(fixedCols_, maxLeft));
    horizontalScrollBar()->setPageStep(1);
    horizontalScrollBar()->setSingleStep(1);
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, maxTop));
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, maxLeft));
}

void DrawGrid::scrollContentsBy(int, int)
{
    topRow_ = verticalScrollBar()->value();
    leftCol_ = horizontalScrollBar()->value();
    viewport()->update();
}

void DrawGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void DrawGrid::scrollIntoView(int col, int row)
{
    const int pitch = rowHeight_ + lineWidth_;
    int fullRows = std::max(1, (viewport()->height() - fixedRows_ * pitch) / pitch);
    if (row >= fixedRows_) {
        if (row < topRow_)
            setTopRow(row);
        else if (row >= topRow_ + fullRows)
            setTopRow(row - fullRows + 1);
    }
    if (col >= fixedCols_) {
        if (col < leftCol_) {
            setLeftCol(col);
        } else {
            while (leftCol_ < col) {
                int x = colLeft(col);
                if (x >= 0 && x + colWidth(col) <= viewport()->width())
                    break;
                setLeftCol(leftCol_ + 1);
            }
        }
    }
}

void DrawGrid::moveCurrent(int col, int row, bool extend)
{
    if (colCount() <= fixedCols_ || rowCount_ <= fixedRows_)
        return;
    curCol_ = std::clamp(col, fixedCols_, colCount() - 1);
    curRow_ = std::clamp(row, fixedRows_, rowCount_ - 1);
    if (!extend) {
        anchorCol_ = curCol_;
        anchorRow_ = curRow_;
    }
    scrollIntoView(curCol_, curRow_);
    viewport()->update();
    announceCurrent(extend);
}

void DrawGrid::press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos)
{
    // An open editor is closed first; a commit that fails keeps it and drops the click.
    if (beforeClick_ && !beforeClick_())
        return;
    setFocus(Qt::MouseFocusReason);
    int c = -1;
    int r = -1;
    mouseToCell(pos.x(), pos.y(), c, r);
    if (c >= fixedCols_ && r >= fixedRows_ && button == Qt::LeftButton) {
        moveCurrent(c, r, modifiers & Qt::ShiftModifier);
        selecting_ = true;
    }
    emit mouseDown(button, modifiers, pos.x(), pos.y());
}

// The keyboard's click: a press in the middle of the highlighted cell, brought into view.
void DrawGrid::pressCurrent(Qt::MouseButton button)
{
    if (curCol_ >= colCount() || curRow_ >= rowCount_)
        return;
    scrollIntoView(curCol_, curRow_);
    const QRect rect = cellRect(curCol_, curRow_);
    if (!rect.isEmpty())
        press(button, Qt::NoModifier, rect.center());
}

void DrawGrid::mousePressEvent(QMouseEvent* event)
{
    press(event->button(), event->modifiers(), event->position().toPoint());
}

void DrawGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like any other.
    press(event->button(), event->modifiers(), event->position().toPoint());
}

void DrawGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    int c = -1;
    int r = -1;
    mouseToCell(pos.x(), pos.y(), c, r);
    if (c >= fixedCols_ && r >= fixedRows_)
        moveCurrent(c, r, true);
}

void DrawGrid::keyPressEvent(QKeyEvent* event)
{
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int pitch = rowHeight_ + lineWidth_;
    const int page = std::max(1, (viewport()->height() - fixedRows_ * pitch) / pitch);
    // The keyboard's clicks on the highlighted cell; a held key does not repeat them,
    // or it would open and commit an editor over and over.
    const bool leftClick =
        event->key() == Qt::Key_F2 || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool rightClick = event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && extend);
    if (leftClick || rightClick) {
        if (!event->isAutoRepeat())
            pressCurrent(leftClick ? Qt::LeftButton : Qt::RightButton);
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up: moveCurrent(curCol_, curRow_ - 1, extend); break;
    case Qt::Key_Down: moveCurrent(curCol_, curRow_ + 1, extend); break;
    case Qt::Key_Left: moveCurrent(curCol_ - 1, curRow_, extend); break;
    case Qt::Key_Right: moveCurrent(curCol_ + 1, curRow_, extend); break;
    case Qt::Key_PageUp: moveCurrent(curCol_, curRow_ - page, extend); break;
    case Qt::Key_PageDown: moveCurrent(curCol_, curRow_ + page, extend); break;
    case Qt::Key_Home: moveCurrent(fixedCols_, ctrl ? fixedRows_ : curRow_, extend); break;
    case Qt::Key_End: moveCurrent(colCount() - 1, ctrl ? rowCount_ - 1 : curRow_, extend); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

bool DrawGrid::focusNextPrevChild(bool next)
{
    // Tab moves between cells, wrapping to the next or previous row.
    int c = curCol_ + (next ? 1 : -1);
    int r = curRow_;
    if (c >= colCount()) {
        c = fixedCols_;
        ++r;
    } else if (c < fixedCols_) {
        c = colCount() - 1;
        --r;
    }
    if (r >= fixedRows_ && r < rowCount_)
        moveCurrent(c, r, false);
    return true;
}

void DrawGrid::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats its press, but is released once.
    if (event->isAutoRepeat())
        return;
    emit keyUp(event->key(), event->nativeVirtualKey(), event->modifiers());
}

void DrawGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    // After the toolkit has told that the grid took the focus, tell which cell has it.
    if (QAccessible::isActive())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (hasFocus())
                    announceCurrent(false);
            },
            Qt::QueuedConnection);
}

void DrawGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    selecting_ = false;
    viewport()->update();
}

} // namespace qvr
