#include "view/emblems.h"

#include <QPainter>
#include <QPainterPath>
#include <array>

namespace qvr {

namespace {
constexpr std::array<QRgb, 10> EMBLEM_COLORS{
    0x4AB500, 0x94FF52, 0xC6FFFF, 0x0000FF, 0xD600D6, 0xFFB5FF, 0xFF0000, 0xFF7B00, 0xFFFF00, 0xEDEDED};

QPixmap canvas(int size, qreal dpr)
{
    QPixmap pm(qRound(size * dpr), qRound(size * dpr));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}
} // namespace

QColor emblemColor(int i) { return QColor::fromRgb(EMBLEM_COLORS.at(static_cast<std::size_t>(i))); }

std::vector<QPixmap> sectionEmblems(qreal dpr)
{
    std::vector<QPixmap> list;
    for (int i = 0; i < static_cast<int>(EMBLEM_COLORS.size()); ++i) {
        QPixmap pm = canvas(EMBLEM_SIZE, dpr);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor main = emblemColor(i);
        p.setPen(QPen(main.darker(170), 1.0));
        p.setBrush(main);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        // A small shine keeps pale emblems visible on a white cell.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 140));
        p.drawEllipse(QRectF(4.5, 3.5, 4, 3));
        list.push_back(pm);
    }
    return list;
}

QIcon arrowIcon(bool up)
{
    QPixmap pm = canvas(16, 2.0);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    QPolygonF tri;
    if (up)
        tri << QPointF(8, 3) << QPointF(14, 11) << QPointF(2, 11);
    else
        tri << QPointF(2, 5) << QPointF(14, 5) << QPointF(8, 13);
    p.drawPolygon(tri);
    return QIcon(pm);
}

QIcon memoIcon()
{
    QPixmap pm = canvas(16, 2.0);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(QColor(255, 255, 210));
    p.drawRect(QRectF(3.5, 1.5, 10, 13));
    for (int y = 5; y <= 11; y += 3)
        p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
    return QIcon(pm);
}

} // namespace qvr
