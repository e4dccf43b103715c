#include "view/drawgridaccessible.h"

#include "view/drawgrid.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>
#include <map>
#include <utility>

namespace qvr {
namespace {

class GridAccessible;

// One cell of the grid, fixed ones included. It holds only its place: its text and
// state are read from the grid each time, so it never goes stale.
class GridCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridCell(DrawGrid* grid, int col, int row) : grid_(grid), col_(col), row_(row), told_(name()) { }

    int col() const { return col_; }
    int row() const { return row_; }
    bool isBody() const { return col_ >= DrawGrid::fixedColCount() && row_ >= DrawGrid::fixedRowCount(); }
    QString name() const { return isValid() ? grid_->cellText(col_, row_) : QString(); }
    // Whether the name differs from the one clients were last told of; takes the new one.
    bool takeNewName()
    {
        QString now = name();
        if (now == told_)
            return false;
        told_ = std::move(now);
        return true;
    }

    bool isValid() const override { return grid_ && col_ < grid_->colCount() && row_ < grid_->rowCount(); }
    // A cell is no object of its own; the toolkit finds it through the grid.
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return grid_ ? QAccessible::queryAccessibleInterface(grid_) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? name() : QString(); }
    void setText(QAccessible::Text, const QString&) override { }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = grid_->cellRect(col_, row_);
        return r.isEmpty() ? QRect() : QRect(grid_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::Role role() const override
    {
        if (row_ < DrawGrid::fixedRowCount())
            return QAccessible::ColumnHeader;
        return col_ < DrawGrid::fixedColCount() ? QAccessible::RowHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.offscreen = grid_->cellRect(col_, row_).isEmpty(); // scrolled out of view
        if (isBody()) {
            s.selectable = true;
            s.focusable = true;
            s.selected = grid_->isSelected(col_, row_);
            s.focused = grid_->hasFocus() && col_ == grid_->col() && row_ == grid_->row();
        }
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableCellInterface && isBody())
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    // QAccessibleTableCellInterface, in the table's body coordinates
    bool isSelected() const override { return isValid() && grid_->isSelected(col_, row_); }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override { return col_ - DrawGrid::fixedColCount(); }
    int rowIndex() const override { return row_ - DrawGrid::fixedRowCount(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<DrawGrid> grid_;
    int col_;
    int row_;
    QString told_; // the name clients were last told of
};

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessible(DrawGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) { }
    ~GridAccessible() override { dropCells(); }

    DrawGrid* grid() const { return static_cast<DrawGrid*>(object()); }

    // The interface of grid cell (col, row), made on first use and kept, so that its
    // id stays the same for clients; nothing outside the grid.
    QAccessibleInterface* cell(int col, int row) const
    {
        if (col < 0 || row < 0 || col >= grid()->colCount() || row >= grid()->rowCount())
            return nullptr;
        const auto known = cells_.find({row, col});
        if (known != cells_.end())
            return QAccessible::accessibleInterface(known->second);
        auto* iface = new GridCell(grid(), col, row);
        cells_.emplace(std::pair{row, col}, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return grid()->rowCount() * grid()->colCount(); }

    QAccessibleInterface* child(int index) const override
    {
        const int cols = grid()->colCount();
        if (index < 0 || index >= childCount())
            return nullptr;
        return cell(index % cols, index / cols);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* c = dynamic_cast<const GridCell*>(child);
        if (!c || !c->isValid() || c->table() != this)
            return -1;
        return grid()->cellIndex(c->col(), c->row());
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint at = grid()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!grid()->viewport()->rect().contains(at))
            return nullptr;
        int col = -1;
        int row = -1;
        grid()->mouseToCell(at.x(), at.y(), col, row);
        return cell(col, row);
    }

    QAccessibleInterface* focusChild() const override
    {
        return grid()->hasFocus() ? cell(grid()->col(), grid()->row()) : nullptr;
    }

    // QAccessibleTableInterface: rows and columns of the body, as a table counts them
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (row < 0 || column < 0)
            return nullptr;
        return cell(column + DrawGrid::fixedColCount(), row + DrawGrid::fixedRowCount());
    }
    int rowCount() const override { return std::max(0, grid()->rowCount() - DrawGrid::fixedRowCount()); }
    int columnCount() const override { return std::max(0, grid()->colCount() - DrawGrid::fixedColCount()); }
    QString rowDescription(int row) const override { return grid()->cellText(0, row + DrawGrid::fixedRowCount()); }
    QString columnDescription(int column) const override
    {
        return grid()->cellText(column + DrawGrid::fixedColCount(), 0);
    }

    int selectedCellCount() const override
    {
        const QRect s = selection();
        return s.width() * s.height();
    }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        const QRect s = selection();
        QList<QAccessibleInterface*> cells;
        for (int row = s.top(); row <= s.bottom(); ++row)
            for (int col = s.left(); col <= s.right(); ++col)
                cells << cell(col, row);
        return cells;
    }
    // A row counts as selected when the range spans every body column, and the other way round.
    QList<int> selectedRows() const override
    {
        const QRect s = selection();
        QList<int> rows;
        if (s.width() == columnCount())
            for (int row = s.top(); row <= s.bottom(); ++row)
                rows << row - DrawGrid::fixedRowCount();
        return rows;
    }
    QList<int> selectedColumns() const override
    {
        const QRect s = selection();
        QList<int> cols;
        if (s.height() == rowCount())
            for (int col = s.left(); col <= s.right(); ++col)
                cols << col - DrawGrid::fixedColCount();
        return cols;
    }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int selectedColumnCount() const override { return static_cast<int>(selectedColumns().size()); }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    bool isColumnSelected(int column) const override { return selectedColumns().contains(column); }
    // The highlight follows the keyboard and the mouse only.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    void modelChange(QAccessibleTableModelChangeEvent* event) override
    {
        if (event->modelChangeType() == QAccessibleTableModelChangeEvent::DataChanged)
            tellNewNames();
        else
            dropCells();
    }

private:
    // The selected body cells in grid coordinates; empty when the grid has no body.
    QRect selection() const
    {
        if (rowCount() == 0 || columnCount() == 0)
            return {};
        return grid()->selectedRange();
    }

    void tellNewNames()
    {
        for (const auto& [place, id] : cells_) {
            auto* c = static_cast<GridCell*>(QAccessible::accessibleInterface(id));
            if (!c || !c->isValid() || !c->takeNewName())
                continue;
            QAccessibleEvent changed(grid(), QAccessible::NameChanged);
            changed.setChild(grid()->cellIndex(c->col(), c->row()));
            QAccessible::updateAccessibility(&changed);
        }
    }

    void dropCells()
    {
        // Taken out first: deleting an interface may call back into the table.
        const auto cells = std::exchange(cells_, {});
        for (const auto& [place, id] : cells)
            QAccessible::deleteAccessibleInterface(id);
    }

    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_; // by (row, col)
};

QList<QAccessibleInterface*> GridCell::columnHeaderCells() const
{
    auto* table = dynamic_cast<GridAccessible*>(parent());
    QAccessibleInterface* head = table ? table->cell(col_, 0) : nullptr;
    return head ? QList<QAccessibleInterface*>{head} : QList<QAccessibleInterface*>{};
}

QList<QAccessibleInterface*> GridCell::rowHeaderCells() const
{
    auto* table = dynamic_cast<GridAccessible*>(parent());
    QAccessibleInterface* head = table ? table->cell(0, row_) : nullptr;
    return head ? QList<QAccessibleInterface*>{head} : QList<QAccessibleInterface*>{};
}

QAccessibleInterface* gridFactory(const QString&, QObject* object)
{
    if (auto* grid = qobject_cast<DrawGrid*>(object))
        return new GridAccessible(grid);
    return nullptr;
}

} // namespace

void installDrawGridAccessibility()
{
    QAccessible::installFactory(gridFactory); // a second install is ignored
}

} // namespace qvr
