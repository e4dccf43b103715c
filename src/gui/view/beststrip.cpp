#include "view/beststrip.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QtMath>
#include <algorithm>

using namespace qvr;

namespace {

constexpr int STRIP_BOX = 70;

// A dotted outline made by inverting every other pixel, as a focus rectangle is drawn.
// The rectangle and its dots are in logical pixels: at a device pixel ratio above 1
// each dot is the block of device pixels that one logical pixel covers.
void invertDottedFrame(QImage& image, const QRect& r)
{
    const qreal ratio = image.devicePixelRatio();
    auto flip = [&](int x, int y) {
        if (x < 0 || y < 0 || ((x + y) & 1))
            return;
        const int top = qFloor(y * ratio);
        const int bottom = std::min(qFloor((y + 1) * ratio), image.height()); // exclusive
        const int left = qFloor(x * ratio);
        const int right = std::min(qFloor((x + 1) * ratio), image.width());
        for (int dy = top; dy < bottom; ++dy) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(dy));
            for (int dx = left; dx < right; ++dx)
                line[dx] = (~line[dx] & 0x00FFFFFF) | 0xFF000000;
        }
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        flip(x, r.top());
        flip(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        flip(r.left(), y);
        flip(r.right(), y);
    }
}

// The values of the episode, stages then total, and the box each stands in:
// the Episode 2 total keeps the last box.
struct StripBox {
    QString caption;
    std::int32_t value;
    int box;
};

std::vector<StripBox> boxesOf(ViewMode view, const BestTimes& best)
{
    std::vector<StripBox> boxes;
    const bool ep1 = view == ViewMode::Ep1;
    const int values = ep1 ? EP1_STAGES + 1 : EP2_STAGES + 1;
    for (int i = 0; i < values; ++i) {
        const bool total = i == values - 1;
        const auto at = static_cast<std::size_t>(i);
        boxes.push_back({total ? QStringLiteral("Total") : QStringLiteral("Stage%1").arg(i + 1),
            ep1 ? best.ep1best[at] : best.ep2best[at], (!ep1 && total) ? 9 : i});
    }
    return boxes;
}

// The strip reads as a label: its name is the text of its boxes.
QAccessibleInterface* bestStripAccessible(const QString&, QObject* object)
{
    if (auto* strip = qobject_cast<TBestStrip*>(object))
        return new QAccessibleWidget(strip, QAccessible::StaticText);
    return nullptr;
}

} // namespace

TBestStrip::TBestStrip(QWidget* parent) : QWidget(parent)
{
    setFixedSize(SIZE);
    setPixelRatio(1.0);
    QAccessible::installFactory(bestStripAccessible);
}

void TBestStrip::setPixelRatio(qreal ratio)
{
    picture_ = QImage((QSizeF(SIZE) * ratio).toSize(), QImage::Format_RGB32);
    picture_.setDevicePixelRatio(ratio);
    picture_.fill(palette().color(QPalette::Window));
    paintPicture();
}

void TBestStrip::showBest(ViewMode view, const BestTimes& best)
{
    if (view == ViewMode::State)
        return; // the strip keeps what it last showed
    view_ = view;
    best_ = best;
    paintPicture();
}

QString TBestStrip::text() const
{
    if (view_ == ViewMode::State)
        return {};
    QStringList parts;
    for (const StripBox& b : boxesOf(view_, best_))
        parts << b.caption + u' ' + QString::fromLatin1(timeToText(b.value)).trimmed();
    return parts.join(QStringLiteral(", "));
}

// The picture of view_ and best_, in logical pixels at the picture's ratio.
void TBestStrip::paintPicture()
{
    if (view_ == ViewMode::State)
        return; // nothing shown yet: the picture stays blank
    const int height = picture_.deviceIndependentSize().toSize().height();
    picture_.fill(Qt::white);
    QPainter p(&picture_);
    QFont label = font();
    label.setPointSize(8);
    label.setBold(false);
    QFont value = font();
    value.setPointSize(10);
    value.setBold(true);
    for (const StripBox& b : boxesOf(view_, best_)) {
        const int left = STRIP_BOX * b.box;
        p.end();
        invertDottedFrame(picture_, QRect(QPoint(left, 0), QPoint(left + STRIP_BOX - 1, height - 2)));
        p.begin(&picture_);
        p.setFont(label);
        p.setPen(QColor(128, 128, 128));
        p.drawText(QPoint(left + 20, 1 + QFontMetrics(label).ascent()), b.caption);
        p.setFont(value);
        p.setPen(Qt::black);
        p.drawText(QPoint(left + 5, 10 + QFontMetrics(value).ascent()), QString::fromLatin1(timeToText(b.value)));
    }
    p.end();
    update();
    const QString read = text();
    if (accessibleName() != read) // a redraw at another pixel ratio tells nothing new
        setAccessibleName(read);
}

void TBestStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QRect(0, 0, width(), height()), picture_);
}
