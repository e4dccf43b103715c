#pragma once
// The windows' fonts: the one every window is designed in (the Japanese design
// font, else a Japanese face) and the grid's. The start-up benchmark's floor draws
// in them too.

#include <QFont>
#include <QStringList>
#include <QString>

namespace qvr {

inline QFont mainWindowFont()
{
    QFont f;
    f.setFamilies(
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(12);
    return f;
}

// Without the design face, a narrow one (the package depends on it): the longest
// class names and the marked times fit their 65- and 60-pixel columns whole.
inline QFont gridFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans Narrow"),
        QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK JP")});
    f.setPixelSize(13);
    return f;
}

} // namespace qvr
