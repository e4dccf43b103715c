#pragma once
// Pictures the program draws itself: the section emblems and the tool button images.

#include <QIcon>
#include <QPixmap>
#include <vector>

namespace qvr {

inline constexpr int EMBLEM_SIZE = 16;

// One 16 x 16 emblem per section ID, in the order of SECTION_ID_NAMES, with transparency.
std::vector<QPixmap> sectionEmblems(qreal devicePixelRatio = 1.0);
// The main colour of emblem i.
QColor emblemColor(int i);

QIcon arrowIcon(bool up);
QIcon memoIcon();

} // namespace qvr
