#pragma once
// The history window's chart, behind a seam: it lives in a module of its own,
// loaded when the window is first opened, so that start-up does not map the
// charting libraries.

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QtGlobal>
#include <vector>

class QWidget;

namespace qvr {

struct ChartPoint {
    qint64 msecsSinceEpoch = 0;
    double value = 0;
    bool best = false;
};
// One stage or status value: its points, oldest first, drawn in its colour. A
// dense line has more entries than the chart has room for; it is drawn thin,
// without markers.
struct ChartLine {
    QString title;
    QColor colour;
    std::vector<ChartPoint> points;
    bool dense = false;
};
// A labelled mark on the value axis.
struct ChartTick {
    double value = 0;
    QString text;
};

class HistoryChart {
public:
    virtual ~HistoryChart() = default;
    // The chart's widget, owned by the parent given to the module's entry.
    virtual QWidget* widget() = 0;
    // The lines about to be shown, before their points are read: what draws them
    // is made meanwhile. `times`: the values are times, labelled with ticks.
    virtual void prepare(const std::vector<ChartLine>& lines, bool times) = 0;
    // One line with points per line given, best points marked; the value axis
    // labelled with the ticks' texts when the values are times, else with plain
    // numbers. The chart has no legend: the window's stage boxes carry the lines'
    // colours.
    virtual void show(const std::vector<ChartLine>& lines, bool times, const std::vector<ChartTick>& valueTicks) = 0;
    // The best points of the line of that title, as the chart marks them.
    virtual QList<QPointF> bests(const QString& title) const = 0;
};

// The module's one entry: a new chart whose widget is a child of `parent`.
inline constexpr const char* HISTORY_CHART_ENTRY = "qvrMakeHistoryChart";
inline constexpr const char* HISTORY_CHART_FILE = "qvrhistory.so";

// A chart made by the module file, or null when it cannot be loaded.
HistoryChart* loadHistoryChart(const QString& modulePath, QWidget* parent);

} // namespace qvr
