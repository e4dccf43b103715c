#include "history/historywindow.h"

#include "history/historychart.h"
#include "history/historytext.h"
#include "platform/errorreport.h"
#include "platform/filedialog.h"
#include "platform/qtext.h"
#include "roster/columns.h"
#include "roster/rostersheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLibrary>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QPainter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace qvr {

namespace {

ValueField::Kind kindOf(ViewMode view)
{
    switch (view) {
    case ViewMode::Ep1: return ValueField::Ep1;
    case ViewMode::Ep2: return ValueField::Ep2;
    case ViewMode::State: break;
    }
    return ValueField::Status;
}

int fieldCount(ValueField::Kind kind)
{
    switch (kind) {
    case ValueField::Ep1: return EP1_STAGES;
    case ValueField::Ep2: return EP2_STAGES;
    case ValueField::Status: break;
    }
    return static_cast<int>(valueColumns(ViewMode::State).size());
}

QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Each stage or status value keeps its colour whichever others are chosen.
QColor lineColour(int field)
{
    static const QRgb colours[] = {
        0x4e79a7, 0xf28e2b, 0xe15759, 0x59a14f, 0xb07aa1, 0x76b7b2, 0xc9a227, 0x9c755f, 0xff9da7, 0x7f7f7f};
    return QColor(colours[static_cast<std::size_t>(field) % std::size(colours)]);
}

// The colour's mark beside a stage's box: the chart's legend.
QIcon swatch(const QColor& colour)
{
    QPixmap mark(12, 12);
    mark.fill(colour);
    return QIcon(mark);
}

// Five labelled marks over the times shown, written as the grid writes them.
std::vector<ChartTick> timeTicks(const std::vector<ChartLine>& lines)
{
    double low = 0, high = 0;
    bool any = false;
    for (const auto& line : lines)
        for (const auto& p : line.points) {
            low = any ? std::min(low, p.value) : p.value;
            high = any ? std::max(high, p.value) : p.value;
            any = true;
        }
    if (!any)
        return {};
    const auto from = static_cast<std::int64_t>(std::max(0.0, low - 30));
    const auto step = std::max<std::int64_t>(15, (static_cast<std::int64_t>(high) + 30 - from + 3) / 4);
    std::vector<ChartTick> ticks;
    for (int i = 0; i < 5; ++i) {
        const auto v = static_cast<std::int32_t>(from + i * step);
        ticks.push_back({double(v), text(timeToText(v))});
    }
    return ticks;
}

// A line with more points than the chart has room for is drawn through the lowest
// and highest value and the first best of each stretch of time: the same picture
// for a fraction of the drawing (each point costs the chart's layout and paint).
// Thirty stretches put a stretch about 18 pixels wide in the plot the window opens
// with, wider than a best's star, so that the stars do not run together into a
// chain; at sixty, opening a long history took a millisecond more. The table
// keeps every entry.
constexpr std::size_t MOST_POINTS = 60;

std::vector<ChartPoint> thinned(const std::vector<ChartPoint>& points)
{
    if (points.size() <= MOST_POINTS)
        return points;
    std::vector<ChartPoint> out;
    const std::size_t stretches = MOST_POINTS / 2;
    const std::size_t per = (points.size() + stretches - 1) / stretches;
    for (std::size_t from = 0; from < points.size(); from += per) {
        const auto begin = points.begin() + static_cast<std::ptrdiff_t>(from);
        const auto end = points.begin() + static_cast<std::ptrdiff_t>(std::min(points.size(), from + per));
        const auto [low, high] =
            std::minmax_element(begin, end, [](const ChartPoint& a, const ChartPoint& b) { return a.value < b.value; });
        const auto best = std::find_if(begin, end, [](const ChartPoint& p) { return p.best; });
        for (auto p = begin; p != end; ++p)
            if (p == low || p == high || p == best)
                out.push_back(*p);
    }
    return out;
}

const QStringList COLUMNS{QStringLiteral("Date"), QStringLiteral("Value"), QStringLiteral("Old"), QStringLiteral("New"),
    QStringLiteral("Difference"), QStringLiteral("Best")};

} // namespace

// A cell's one line of text drawn in one call, and its part of the grid. The
// style's item drawing lays every cell out for wrapping, most of the table's
// painting; these cells are short single lines. The view would draw each grid
// line the table's height in one stroke, which the raster engine splits across
// threads; a cell's edges are short. Background, selection, colours and focus
// are the style's, and the pixels are those of the view's own drawing.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.rect.adjust(0, 0, -1, -1); // the grid's pixels, as the view leaves them
        const QWidget* view = cell.widget;
        const QStyle* style = view ? view->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, view);
        QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(cell.state & QStyle::State_Active))
            group = QPalette::Inactive;
        const bool selected = cell.state & QStyle::State_Selected;
        if (!cell.text.isEmpty()) {
            painter->setPen(cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            drawLineOfText(*painter, cell, style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
        }
        if (cell.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(cell);
            focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &cell, view);
            focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
            focus.backgroundColor = cell.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
        }
        const auto grid = static_cast<QRgb>(style->styleHint(QStyle::SH_Table_GridLineColor, &cell, view));
        painter->setPen(QPen(QColor::fromRgba(grid), 0));
        const QRect& r = cell.rect;
        painter->drawLine(r.left(), r.bottom() + 1, r.right() + 1, r.bottom() + 1);
        painter->drawLine(r.right() + 1, r.top(), r.right() + 1, r.bottom());
    }
    // The grid's pixel beside the text, as the view adds it to a column.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(1, 1);
    }

private:
    // Placed as the style places it: a line's height is its ascent and descent.
    static void drawLineOfText(QPainter& painter, const QStyleOptionViewItem& cell, int margin)
    {
        const QRect box = cell.rect.adjusted(margin, 0, -margin, 0);
        const QFontMetricsF metrics(cell.font);
        const QRect line = QStyle::alignedRect(cell.direction, cell.displayAlignment & Qt::AlignVertical_Mask,
            QSize(box.width(), int(std::ceil(metrics.ascent() + metrics.descent()))), box);
        const Qt::Alignment across = QStyle::visualAlignment(cell.direction, cell.displayAlignment);
        painter.setFont(cell.font);
        painter.drawText(line, int(across & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextSingleLine,
            cell.fontMetrics.elidedText(cell.text, cell.textElideMode, box.width()));
    }
};

// The shown entries as the table's rows; a cell's text is made when it is asked
// for, so that a long history costs only the rows on screen.
class HistoryModel : public QAbstractTableModel {
public:
    HistoryModel(const std::vector<HistoryEntry>& rows, QObject* parent) : QAbstractTableModel(parent), rows_(rows) { }

    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(COLUMNS.size());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return COLUMNS.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::TextAlignmentRole)
            return index.column() >= 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        const ValueEntry& e = rows_.at(static_cast<std::size_t>(index.row())).value;
        switch (index.column()) {
        case 0: return text(localDateText(e.whenUtc));
        case 1: return text(fieldLabel(e.field));
        case 2: return text(valueText(e.field, e.oldValue));
        case 3: return text(valueText(e.field, e.newValue));
        case 4: return text(differenceText(e.field, e.oldValue, e.newValue));
        default: return e.best ? QStringLiteral("*") : QString();
        }
    }
    // Around a replacement of the rows.
    void beginReplace() { beginResetModel(); }
    void endReplace() { endResetModel(); }

private:
    const std::vector<HistoryEntry>& rows_;
};

// The module stays loaded to the end: the chart's code lives in it.
HistoryChart* loadHistoryChart(const QString& modulePath, QWidget* parent)
{
    QLibrary module(modulePath);
    using Make = HistoryChart* (*)(QWidget*);
    if (auto make = reinterpret_cast<Make>(module.resolve(HISTORY_CHART_ENTRY)))
        return make(parent);
    qWarning("no history chart module: %s", qPrintable(module.errorString()));
    return nullptr;
}

HistoryWindow::HistoryWindow(RosterSheet& sheet, HistoryStore& store, OpenDialog& dialog, ViewOf view,
    const QString& chartModule, QWidget* parent)
    : QWidget(parent, Qt::Window), sheet_(sheet), store_(store), dialog_(dialog), view_(std::move(view))
{
    readAhead(); // while the window is built
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("History"));
    resize(OPEN_WIDTH, OPEN_HEIGHT);
    auto* layout = new QVBoxLayout(this);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("HistoryCaption"));
    caption_->setWordWrap(true);
    layout->addWidget(caption_);

    auto* split = new QSplitter(this);
    auto* chartPane = new QWidget(split);
    auto* chartLayout = new QVBoxLayout(chartPane);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    if (!chartModule.isEmpty())
        chart_ = loadHistoryChart(chartModule, chartPane);
    if (chart_)
        chartLayout->addWidget(chart_->widget(), 1);
    choiceGrid_ = new QGridLayout;
    chartLayout->addLayout(choiceGrid_);
    table_ = new QTableView(split);
    model_ = new HistoryModel(shown_, table_);
    table_->setModel(model_);
    table_->setItemDelegate(new CellDelegate(table_));
    table_->setObjectName(QStringLiteral("HistoryTable"));
    table_->setAccessibleName(QStringLiteral("History entries"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Column widths from the rows in view only: the newest, all of one form.
    table_->horizontalHeader()->setResizeContentsPrecision(0);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->setShowGrid(false); // each cell draws its part
    table_->installEventFilter(this);
    split->addWidget(chartPane);
    split->addWidget(table_);
    split->setSizes({OPEN_WIDTH - TABLE_WIDTH, TABLE_WIDTH});
    layout->addWidget(split, 1);

    auto* bottom = new QHBoxLayout;
    everyone_ = new QCheckBox(QStringLiteral("All characters"), this);
    export_ = new QPushButton(QStringLiteral("Export…"), this);
    export_->setObjectName(QStringLiteral("HistoryExport"));
    if (chart_)
        bottom->addWidget(new QLabel(QStringLiteral("★ a best time"), this));
    bottom->addStretch(1);
    bottom->addWidget(everyone_);
    bottom->addWidget(export_);
    layout->addLayout(bottom);
    connectGuarded(export_, &QPushButton::clicked, this, [this] { exportHistory(); });
}

HistoryWindow::~HistoryWindow() { delete chart_; }

// Laid out while the entries are read; filled before it is painted.
void HistoryWindow::setVisible(bool visible)
{
    const bool opening = visible && !isVisible();
    if (opening) {
        readAhead();
        showChoices();
    }
    QWidget::setVisible(visible);
    if (opening) {
        showEntries();
        // A table not yet shown would measure every row for its column widths.
        table_->resizeColumnsToContents();
    }
}

void HistoryWindow::readAhead()
{
    if (sheet_.currec)
        store_.readAhead(sheet_.currec->nameText(), kindOf(view_()));
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        guard([this] { deleteSelected(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryWindow::follow()
{
    if (!isVisible())
        return;
    refresh();
    table_->resizeColumnsToContents();
}

void HistoryWindow::refresh()
{
    showChoices();
    showEntries();
}

void HistoryWindow::showChoices()
{
    const ViewMode view = view_();
    if (!choicesBuilt_ || view != choicesView_)
        buildChoices(view);
    if (!store_.available())
        caption_->setText(QStringLiteral("History is not available: ") + text(store_.fault()));
    else if (sheet_.currec)
        caption_->setText(fromCp932(sheet_.currec->nameText()));
    const ValueField::Kind kind = kindOf(view);
    if (chart_)
        chart_->prepare(chosenLines(kind), kind != ValueField::Status);
}

void HistoryWindow::showEntries()
{
    std::vector<HistoryEntry> entries;
    if (store_.available() && sheet_.currec) {
        entries = store_.entriesOf(sheet_.currec->nameText(), kindOf(choicesView_));
        std::erase_if(entries, [this](const HistoryEntry& e) { return !chosen(e.value.field); });
    }
    model_->beginReplace();
    shown_ = std::move(entries);
    model_->endReplace();
    fillChart(choicesView_);
}

bool HistoryWindow::chosen(ValueField field) const
{
    const auto hidden = hidden_.find(choicesView_);
    return hidden == hidden_.end() || !hidden->second.count(field.index);
}

// One check box per stage or status value of the view.
void HistoryWindow::buildChoices(ViewMode view)
{
    for (QCheckBox* box : choices_)
        delete box;
    choices_.clear();
    choicesView_ = view;
    choicesBuilt_ = true;
    const ValueField::Kind kind = kindOf(view);
    for (int i = 0; i < fieldCount(kind); ++i) {
        auto* box = new QCheckBox(text(fieldLabel({kind, i})), this);
        box->setChecked(chosen({kind, i}));
        if (chart_)
            box->setIcon(swatch(lineColour(i)));
        connect(box, &QCheckBox::toggled, this, [this, view, i](bool on) {
            if (on)
                hidden_[view].erase(i);
            else
                hidden_[view].insert(i);
            follow();
        });
        // Two rows, so that the chart's pane is no wider than the boxes need.
        const int perRow = (fieldCount(kind) + 1) / 2;
        choiceGrid_->addWidget(box, i / perRow, i % perRow);
        choices_.push_back(box);
    }
}

// The view's chosen stages or status values, as lines without points.
std::vector<ChartLine> HistoryWindow::chosenLines(ValueField::Kind kind) const
{
    std::vector<ChartLine> lines;
    for (int i = 0; i < fieldCount(kind); ++i)
        if (chosen({kind, i}))
            lines.push_back({text(fieldLabel({kind, i})), lineColour(i), {}});
    return lines;
}

void HistoryWindow::fillChart(ViewMode view)
{
    if (!chart_)
        return;
    const ValueField::Kind kind = kindOf(view);
    std::vector<ChartLine> lines = chosenLines(kind);
    std::vector<ChartLine*> lineOf(static_cast<std::size_t>(fieldCount(kind)), nullptr);
    for (std::size_t l = 0, i = 0; i < lineOf.size(); ++i)
        if (chosen({kind, static_cast<int>(i)}))
            lineOf[i] = &lines[l++];
    for (auto e = shown_.rbegin(); e != shown_.rend(); ++e)
        if (ChartLine* line = lineOf[static_cast<std::size_t>(e->value.field.index)])
            line->points.push_back({e->value.whenUtc * 1000, double(e->value.newValue), e->value.best});
    for (ChartLine& line : lines) {
        line.dense = line.points.size() > MOST_POINTS;
        line.points = thinned(line.points);
    }
    const bool times = kind != ValueField::Status;
    chart_->show(lines, times, times ? timeTicks(lines) : std::vector<ChartTick>{});
}

void HistoryWindow::deleteSelected()
{
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    std::vector<std::int64_t> keys;
    for (int r : rows)
        if (r >= 0 && static_cast<std::size_t>(r) < shown_.size())
            keys.push_back(shown_[static_cast<std::size_t>(r)].key);
    for (std::int64_t key : keys)
        store_.remove(key);
    follow();
}

void HistoryWindow::exportHistory()
{
    dialog_.filter = QStringLiteral("CSV(*.csv)|*.csv");
    if (!dialog_.execute(this))
        return;
    const std::string path = toNativePath(dialog_.fileName);
    if (everyone_->isChecked())
        exportHistoryCsv(path, store_.allEntries());
    else if (sheet_.currec)
        exportHistoryCsv(path, store_.entriesOf(sheet_.currec->nameText()));
}

} // namespace qvr
