// The chart module: the history window's chart drawn with the charting library.

#include "history/historychart.h"

#include <QChart>
#include <QChartView>
#include <QCategoryAxis>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
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

// The best points are drawn by the view over the lines, one star image each, in
// the line's colour and clipped to the plot as the lines are. A series of their
// own per line cost a tenth of opening the window: each series is laid out and
// gets a legend marker, hidden or not, and a scatter series an item per point.
class StarredChartView : public QChartView {
public:
    struct Stars {
        QXYSeries* line = nullptr;
        QList<QPointF> at;
        QImage image;
    };
    using QChartView::QChartView;

    void setStars(std::vector<Stars> stars)
    {
        stars_ = std::move(stars);
        viewport()->update();
    }
    const std::vector<Stars>& stars() const { return stars_; }

protected:
    void drawForeground(QPainter* painter, const QRectF& exposed) override
    {
        QChartView::drawForeground(painter, exposed);
        if (stars_.empty())
            return;
        const QRectF plot = chart()->plotArea();
        painter->save();
        painter->setClipRect(chart()->mapRectToScene(plot));
        for (const Stars& s : stars_)
            for (const QPointF& value : s.at) {
                const QPointF at = chart()->mapToPosition(value, s.line);
                if (plot.contains(at))
                    painter->drawImage(chart()->mapToScene(at) - QPointF(STAR_SIZE / 2.0, STAR_SIZE / 2.0), s.image);
            }
        painter->restore();
    }

private:
    std::vector<Stars> stars_;
};

class ChartsHistoryChart : public HistoryChart {
public:
    explicit ChartsHistoryChart(QWidget* parent) : view_(new StarredChartView(new QChart, parent))
    {
        view_->setObjectName(QStringLiteral("HistoryChart"));
        view_->setAccessibleName(QStringLiteral("History chart"));
        view_->setRenderHint(QPainter::Antialiasing);
        // The window's stage boxes are the legend; the chart's would say it again
        // and cost a layout of its own.
        view_->chart()->legend()->hide();
    }

    QWidget* widget() override { return view_; }

    void prepare(const std::vector<ChartLine>& lines, bool times) override
    {
        QChart* chart = view_->chart();
        if (!dates_) {
            dates_ = new QDateTimeAxis;
            dates_->setFormat(QStringLiteral("yyyy-MM-dd"));
            chart->addAxis(dates_, Qt::AlignBottom);
        }
        if (!values_ || times != times_) {
            if (values_)
                chart->removeAxis(values_), delete values_;
            if (times) {
                auto* labelled = new QCategoryAxis;
                labelled->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
                values_ = labelled;
            } else {
                auto* plain = new QValueAxis;
                plain->setLabelFormat(QStringLiteral("%d"));
                values_ = plain;
            }
            times_ = times;
            chart->addAxis(values_, Qt::AlignLeft);
            for (QAbstractSeries* series : chart->series())
                series->attachAxis(values_);
        }
        // Kept from one showing to the next while their stage is chosen: a series
        // made and added costs more than its points.
        std::vector<QXYSeries*> kept;
        for (const ChartLine& line : lines) {
            auto old = std::find_if(
                series_.begin(), series_.end(), [&](const QXYSeries* s) { return s->name() == line.title; });
            if (old != series_.end()) {
                kept.push_back(*old);
                series_.erase(old);
                continue;
            }
            auto* series = new QLineSeries;
            series->setName(line.title);
            // A pen of its own before it is added: the theme keeps it.
            series->setPen(QPen(line.colour, 2));
            chart->addSeries(series);
            series->attachAxis(dates_);
            series->attachAxis(values_);
            kept.push_back(series);
        }
        if (!series_.empty())
            view_->setStars({}); // they may be on a line that goes
        for (QXYSeries* gone : series_)
            chart->removeSeries(gone), delete gone;
        series_ = std::move(kept);
    }

    void show(const std::vector<ChartLine>& lines, bool times, const std::vector<ChartTick>& valueTicks) override
    {
        prepare(lines, times);
        // Emptied first, so that the new ranges lay out no old points; a pen set
        // after the layout would have it done again (the legend, hidden or not,
        // shows each line's pen).
        for (std::size_t i = 0; i < lines.size(); ++i) {
            QXYSeries& series = *series_[i];
            series.clear();
            // Markers on a dense line only thicken it, and a thin pen draws it fast.
            QPen pen(lines[i].colour, lines[i].dense ? 1 : 2);
            pen.setCosmetic(lines[i].dense);
            series.setPen(pen);
            series.setPointsVisible(!lines[i].dense);
        }
        const Extent extent = extentOf(lines);
        setDateRange(*dates_, extent);
        setValueRange(extent, valueTicks);
        // The axes' labels decide the plot's size: laid out before the points
        // come, a shown chart lays each line out once.
        if (view_->isVisible())
            view_->chart()->layout()->activate();
        std::vector<StarredChartView::Stars> stars;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const ChartLine& line = lines[i];
            QXYSeries& series = *series_[i];
            StarredChartView::Stars bests{&series, fill(series, line.points), {}};
            if (!bests.at.isEmpty()) {
                bests.image = starImage(line.colour);
                stars.push_back(std::move(bests));
            }
        }
        view_->setStars(std::move(stars));
    }

    QList<QPointF> bests(const QString& title) const override
    {
        for (const auto& s : view_->stars())
            if (s.line->name() == title)
                return s.at;
        return {};
    }

private:
    // The points' first and last time and lowest and highest value.
    struct Extent {
        qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
        double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
        bool empty() const { return first > last; }
    };
    static Extent extentOf(const std::vector<ChartLine>& lines)
    {
        Extent e;
        for (const ChartLine& line : lines)
            for (const ChartPoint& p : line.points) {
                e.first = std::min(e.first, p.msecsSinceEpoch);
                e.last = std::max(e.last, p.msecsSinceEpoch);
                e.low = std::min(e.low, p.value);
                e.high = std::max(e.high, p.value);
            }
        return e;
    }

    // A day either side, so that a single point does not sit on the frame; today
    // when there are no points. A mark a day apart at the least, so that no two
    // marks read the same date.
    static void setDateRange(QDateTimeAxis& dates, const Extent& extent)
    {
        constexpr qint64 DAY = 86400000;
        qint64 first = extent.first, last = extent.last;
        if (extent.empty())
            first = last = QDateTime::currentMSecsSinceEpoch();
        dates.setRange(QDateTime::fromMSecsSinceEpoch(first - DAY), QDateTime::fromMSecsSinceEpoch(last + DAY));
        dates.setTickCount(int(std::clamp<qint64>((last - first) / DAY + 3, 3, 5)));
    }

    // Handed over whole: a series told of each point lays itself out for each.
    // Returns the best points.
    static QList<QPointF> fill(QXYSeries& line, const std::vector<ChartPoint>& points)
    {
        QList<QPointF> all, best;
        all.reserve(static_cast<qsizetype>(points.size()));
        for (const ChartPoint& p : points) {
            all.append({double(p.msecsSinceEpoch), p.value});
            if (p.best)
                best.append(all.back());
        }
        line.replace(all);
        return best;
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

    // Labelled at the ticks given, or in plain numbers over the points' values.
    void setValueRange(const Extent& extent, const std::vector<ChartTick>& ticks)
    {
        if (auto* labelled = qobject_cast<QCategoryAxis*>(values_)) {
            for (const QString& label : labelled->categoriesLabels())
                labelled->remove(label);
            for (const ChartTick& t : ticks)
                labelled->append(t.text, t.value);
            if (!ticks.empty())
                labelled->setRange(ticks.front().value, ticks.back().value);
            return;
        }
        auto* plain = static_cast<QValueAxis*>(values_);
        if (extent.empty())
            plain->setRange(0, 4); // no values: marks from 0, a whole number apart
        else
            plain->setRange(
                extent.low - 2, extent.high + 2); // marks a whole number apart at the least, as they are labelled
        plain->applyNiceNumbers();
    }

    StarredChartView* view_;
    QDateTimeAxis* dates_ = nullptr;
    QAbstractAxis* values_ = nullptr;
    bool times_ = false;
    std::vector<QXYSeries*> series_; // in the order of the lines last prepared
};

} // namespace

} // namespace qvr

extern "C" Q_DECL_EXPORT qvr::HistoryChart* qvrMakeHistoryChart(QWidget* parent)
{
    return new qvr::ChartsHistoryChart(parent);
}
