#pragma once
// A grid whose cells the program draws on request: one fixed header row and one
// fixed number column that stay while the body scrolls by whole rows and columns,
// lines between cells, a highlighted current cell with a range selection, and the
// usual keyboard moves. It holds no cell data of its own. F2 or Enter presses the
// highlighted cell as a left click does, the menu key (or Shift+F10) as a right click.
// Assistive technology reads it as a table (drawgridaccessible).

#include <QAbstractScrollArea>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class QPainter;

namespace qvr {

class DrawGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit DrawGrid(QWidget* parent = nullptr);

    // Called once per visible cell on every paint, after the background is filled
    // and the painter's pen is the cell's text colour.
    using DrawCell = std::function<void(QPainter& painter, int col, int row, const QRect& rect)>;
    void setDrawCell(DrawCell drawCell) { drawCell_ = std::move(drawCell); }

    // Decides, before a click is handled, whether it may be: an open editor that
    // cannot be committed swallows the click.
    using BeforeClick = std::function<bool()>;
    void setBeforeClick(BeforeClick beforeClick) { beforeClick_ = std::move(beforeClick); }

    // The text a cell shows, for assistive technology; the header texts included.
    using CellText = std::function<QString(int col, int row)>;
    void setCellText(CellText cellText) { cellText_ = std::move(cellText); }
    QString cellText(int col, int row) const { return cellText_ ? cellText_(col, row) : QString(); }

    // The program's data behind the cells changed: repaint, and tell assistive technology.
    void cellsChanged();

    static constexpr int fixedColCount() { return fixedCols_; }
    static constexpr int fixedRowCount() { return fixedRows_; }
    int colCount() const { return static_cast<int>(colWidths_.size()); }
    void setColCount(int count);
    int rowCount() const { return rowCount_; }
    void setRowCount(int count);
    int colWidth(int col) const { return colWidths_.at(static_cast<std::size_t>(col)); }
    void setColWidth(int col, int width);
    int defaultColWidth() const { return defaultColWidth_; }
    int rowHeight() const { return rowHeight_; }

    // The position of a cell among the grid's accessible children, row by row.
    int cellIndex(int col, int row) const { return row * colCount() + col; }
    // The highlighted range: columns across, rows down, the current cell at one corner.
    QRect selectedRange() const;
    bool isSelected(int col, int row) const { return selectedRange().contains(col, row); }

    int col() const { return curCol_; }
    int row() const { return curRow_; }
    int topRow() const { return topRow_; }
    int leftCol() const { return leftCol_; }
    void setTopRow(int row);
    void setLeftCol(int col);

    // The cell under a point of the viewport; -1 for a coordinate outside every cell.
    void mouseToCell(int x, int y, int& col, int& row) const;
    // The rectangle of a cell in viewport coordinates; empty when it is not shown.
    QRect cellRect(int col, int row) const;
    // Like cellRect, but for a row just past the shown ones too (editors are placed from it).
    QRect cellRectAt(int col, int row) const;

    // Rows that fit the viewport below the header, the last one perhaps in part.
    int visibleRowCount() const;

signals:
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void keyUp(int key, quint32 nativeVirtualKey, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int colLeft(int col) const; // viewport x of a shown column, or -1
    std::vector<int> shownCols(int width) const;
    std::vector<int> shownRows(int height) const;
    void paintCell(QPainter& p, int c, int r);
    int rowTop(int row) const; // viewport y of a shown row, or -1
    void moveCurrent(int col, int row, bool extend);
    void scrollIntoView(int col, int row);
    void updateScrollBars();
    void press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void pressCurrent(Qt::MouseButton button);
    void announceCurrent(bool extended);
    void announceModelReset();

    static constexpr int fixedCols_ = 1;
    static constexpr int fixedRows_ = 1;
    static constexpr int lineWidth_ = 1;
    int defaultColWidth_ = 60;
    int rowHeight_ = 16;
    std::vector<int> colWidths_;
    int rowCount_ = 0;
    int curCol_ = 1;
    int curRow_ = 1;
    int anchorCol_ = 1;
    int anchorRow_ = 1;
    int topRow_ = 1;
    int leftCol_ = 1;
    bool selecting_ = false;
    DrawCell drawCell_;
    CellText cellText_;
    BeforeClick beforeClick_;
};

} // namespace qvr
