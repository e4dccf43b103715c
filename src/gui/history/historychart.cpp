// The chart module: the history window's chart drawn with the charting library.

#include "history/historychart.h"

#include <QChart>
#include <QChartView>
#include <QCategoryAxis>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qvr {

namespace {

constexpr int STAR_SIZE = 14;

class ChartsHistoryChart : public HistoryChart {
public:
    explicit ChartsHistoryChart(QWidget* parent) : view_(new QChartView(new QChart, parent))
    {
        view_->setObjectName(QStringLiteral("HistoryChart"));
        view_->setAccessibleName(QStringLiteral("History chart"));
        view_->setRenderHint(QPainter::Antialiasing);
        // The window's stage boxes are the legend; the chart's would say it again
        // and cost a layout of its own.
        view_->chart()->legend()->hide();
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
        setDateRange(*dates, lines);
        for (const ChartLine& line : lines) {
            auto* series = new QLineSeries;
            series->setName(line.title);
            // A pen of its own before it is added: the theme keeps it. Markers on
            // a dense line only thicken it, and a thin pen draws it fast.
            QPen pen(line.colour, line.dense ? 1 : 2);
            pen.setCosmetic(line.dense);
            series->setPen(pen);
            series->setPointsVisible(!line.dense);
            addEmpty(*chart, *series, *dates, *values);
            QXYSeries* bests = nullptr;
            if (std::any_of(line.points.begin(), line.points.end(), [](const ChartPoint& p) { return p.best; })) {
                bests = bestsOf(line);
                addEmpty(*chart, *bests, *dates, *values);
            }
            fill(*series, bests, line.points);
        }
    }

private:
    // A day either side, so that a single point does not sit on the frame.
    static void setDateRange(QDateTimeAxis& dates, const std::vector<ChartLine>& lines)
    {
        qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
        for (const ChartLine& line : lines)
            for (const ChartPoint& p : line.points) {
                first = std::min(first, p.msecsSinceEpoch);
                last = std::max(last, p.msecsSinceEpoch);
            }
        if (first <= last)
            dates.setRange(
                QDateTime::fromMSecsSinceEpoch(first - 86400000), QDateTime::fromMSecsSinceEpoch(last + 86400000));
    }

    // Added and fitted to its axes while empty: each step lays the series out
    // again, and an empty one costs nothing to lay out.
    static void addEmpty(QChart& chart, QXYSeries& series, QAbstractAxis& dates, QAbstractAxis& values)
    {
        chart.addSeries(&series);
        series.attachAxis(&dates);
        series.attachAxis(&values);
    }

    // The bests: a line without a pen whose points are drawn as one star image
    // each, in the line's colour. A scatter series would make a scene item per
    // point, which costs many times the whole line.
    static QXYSeries* bestsOf(const ChartLine& line)
    {
        auto* bests = new QLineSeries;
        bests->setName(line.title + QStringLiteral(" best"));
        QPen none(line.colour);
        none.setStyle(Qt::NoPen);
        bests->setPen(none);
        bests->setMarkerSize(STAR_SIZE);
        bests->setLightMarker(starImage(line.colour));
        return bests;
    }

    // Handed over whole: a series told of each point lays itself out for each.
    static void fill(QXYSeries& line, QXYSeries* bests, const std::vector<ChartPoint>& points)
    {
        QList<QPointF> all, best;
        all.reserve(static_cast<qsizetype>(points.size()));
        for (const ChartPoint& p : points) {
            all.append({double(p.msecsSinceEpoch), p.value});
            if (p.best)
                best.append(all.back());
        }
        line.replace(all);
        if (bests)
            bests->replace(best);
    }

    static QImage starImage(const QColor& colour)
    {
        QImage image(STAR_SIZE, STAR_SIZE, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPolygonF star;
        const double outer = STAR_SIZE / 2.0 - 0.5, inner = outer * 0.5, centre = STAR_SIZE / 2.0;
        for (int i = 0; i < 10; ++i) {
            const double r = i % 2 ? inner : outer, angle = -M_PI / 2 + i * M_PI / 5;
            star << QPointF(centre + r * std::cos(angle), centre + r * std::sin(angle));
        }
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour.darker(150), 1));
        painter.setBrush(colour);
        painter.drawPolygon(star);
        return image;
    }

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
