#pragma once
// Looking at pictures drawn at a device pixel ratio, one logical pixel at a time.

#include <QImage>
#include <QRect>
#include <QtMath>

// The device pixels that cover one logical pixel.
inline QRect devicePixels(QPoint logical, qreal ratio)
{
    return {QPoint(qFloor(logical.x() * ratio), qFloor(logical.y() * ratio)),
        QPoint(qFloor((logical.x() + 1) * ratio) - 1, qFloor((logical.y() + 1) * ratio) - 1)};
}

inline bool allOf(const QImage& img, const QRect& r, QRgb rgb)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixel(x, y) != rgb)
                return false;
    return true;
}

// Whether some logical pixel of the area shows more than one colour: drawn at the
// device's resolution rather than enlarged from a picture of logical pixels.
inline bool hasDetailBelowLogicalPixels(const QImage& img, const QRect& logicalArea)
{
    const qreal ratio = img.devicePixelRatio();
    for (int y = logicalArea.top(); y <= logicalArea.bottom(); ++y)
        for (int x = logicalArea.left(); x <= logicalArea.right(); ++x) {
            const QRect block = devicePixels({x, y}, ratio);
            if (!allOf(img, block, img.pixel(block.topLeft())))
                return true;
        }
    return false;
}
