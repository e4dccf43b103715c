#pragma once
// The history window: every value entered for the selected character, as a chart
// of the view's stages or status values and as a table of the same entries,
// newest first. It follows the selected row and the entries as they change.

#include <QWidget>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "history/historystore.h"
#include "view/gridcells.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QTableView;

namespace qvr {

class HistoryChart;
struct ChartLine;
class HistoryModel;
class OpenDialog;
class RosterSheet;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    using ViewOf = std::function<ViewMode()>;
    // The size the window opens at; the table's six columns fit without scrolling.
    static constexpr int OPEN_WIDTH = 1140;
    static constexpr int OPEN_HEIGHT = 460;
    static constexpr int TABLE_WIDTH = 480;
    // The chart comes from the module file given; without it, the table alone.
    HistoryWindow(RosterSheet& sheet, HistoryStore& store, OpenDialog& dialog, ViewOf view, const QString& chartModule,
        QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Shows the current record's entries of the current view, when shown.
    void follow();

    QTableView* table() const { return table_; }
    HistoryChart* chart() const { return chart_; }
    // The entries the table shows, in its order.
    const std::vector<HistoryEntry>& shown() const { return shown_; }

    // Removes the entries of the selected table rows from the history.
    void deleteSelected();
    // Asks for a file and writes this character's history, or everyone's, as CSV.
    void exportHistory();

    // Laid out while its entries are read on another thread; filled before it is painted.
    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    // Starts reading the entries to show on another thread.
    void readAhead();
    // The view's boxes, the caption and the chart's lines: the window's shape,
    // known before the entries.
    void showChoices();
    void showEntries();
    void buildChoices(ViewMode view);
    std::vector<ChartLine> chosenLines(ValueField::Kind kind) const;
    void fillChart(ViewMode view);
    bool chosen(ValueField field) const;

    RosterSheet& sheet_;
    HistoryStore& store_;
    OpenDialog& dialog_;
    ViewOf view_;
    HistoryChart* chart_ = nullptr;
    QLabel* caption_ = nullptr;
    QTableView* table_ = nullptr;
    HistoryModel* model_ = nullptr;
    QGridLayout* choiceGrid_ = nullptr;
    std::vector<QCheckBox*> choices_;
    std::map<ViewMode, std::set<int>> hidden_; // per view, the fields not chosen
    QCheckBox* everyone_ = nullptr;
    QPushButton* export_ = nullptr;
    ViewMode choicesView_ = ViewMode::State;
    bool choicesBuilt_ = false;
    std::vector<HistoryEntry> shown_;
};

} // namespace qvr
