// The chart module: the history window's chart drawn with the charting library.

#include "history/historychart.h"

#include <QChart>
#include <QChartView>
#include <QCategoryAxis>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

namespace qvr {

namespace {

constexpr std::size_t DENSE = 200;

class ChartsHistoryChart : public HistoryChart {
public:
    explicit ChartsHistoryChart(QWidget* parent) : view_(new QChartView(new QChart, parent))
    {
        view_->setObjectName(QStringLiteral("HistoryChart"));
        view_->setAccessibleName(QStringLiteral("History chart"));
        view_->setRenderHint(QPainter::Antialiasing);
        view_->chart()->legend()->setAlignment(Qt::AlignBottom);
    }

    QWidget* widget() override { return view_; }

    void show(const std::vector<ChartLine>& lines, const std::vector<ChartTick>& valueTicks) override
    {
        QChart* chart = view_->chart();
        chart->removeAllSeries();
        for (QAbstractAxis* axis : chart->axes())
            chart->removeAxis(axis), delete axis;
        auto* dates = new QDateTimeAxis;
        dates->setFormat(QStringLiteral("yyyy-MM-dd"));
        chart->addAxis(dates, Qt::AlignBottom);
        QAbstractAxis* values = valueAxis(valueTicks);
        chart->addAxis(values, Qt::AlignLeft);
        qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
        for (const ChartLine& line : lines)
            for (const ChartPoint& p : line.points) {
                first = std::min(first, p.msecsSinceEpoch);
                last = std::max(last, p.msecsSinceEpoch);
            }
        // A day either side, so that a single point does not sit on the frame; set
        // before the series come, so that they are laid out once.
        if (first <= last)
            dates->setRange(
                QDateTime::fromMSecsSinceEpoch(first - 86400000), QDateTime::fromMSecsSinceEpoch(last + 86400000));
        for (const ChartLine& line : lines) {
            auto* series = new QLineSeries;
            series->setName(line.title);
            // Markers on a dense line only thicken it, and a thin pen draws it fast.
            const bool dense = line.points.size() > DENSE;
            series->setPointsVisible(!dense);
            if (dense) {
                QPen pen = series->pen();
                pen.setWidth(1);
                pen.setCosmetic(true);
                series->setPen(pen);
            }
            auto* bests = new QScatterSeries;
            bests->setName(line.title + QStringLiteral(" best"));
            bests->setMarkerShape(QScatterSeries::MarkerShapeStar);
            bests->setMarkerSize(14);
            // Handed over whole: a series told of each point redraws for each.
            QList<QPointF> all, best;
            all.reserve(static_cast<qsizetype>(line.points.size()));
            for (const ChartPoint& p : line.points) {
                all.append({double(p.msecsSinceEpoch), p.value});
                if (p.best)
                    best.append(all.back());
            }
            series->replace(all);
            bests->replace(best);
            for (QXYSeries* s : {static_cast<QXYSeries*>(series), static_cast<QXYSeries*>(bests)}) {
                chart->addSeries(s);
                s->attachAxis(dates);
                s->attachAxis(values);
            }
            bests->setColor(series->color());
        }
    }

private:
    static QAbstractAxis* valueAxis(const std::vector<ChartTick>& ticks)
    {
        if (ticks.empty()) {
            auto* axis = new QValueAxis;
            axis->setLabelFormat(QStringLiteral("%d"));
            return axis;
        }
        auto* axis = new QCategoryAxis;
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        for (const ChartTick& t : ticks)
            axis->append(t.text, t.value);
        axis->setRange(ticks.front().value, ticks.back().value);
        return axis;
    }

    QChartView* view_;
};

} // namespace

} // namespace qvr

extern "C" Q_DECL_EXPORT qvr::HistoryChart* qvrMakeHistoryChart(QWidget* parent)
{
    return new qvr::ChartsHistoryChart(parent);
}
