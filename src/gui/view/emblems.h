#pragma once
// Pictures the program draws itself: the section emblems and the tool button images.

#include <QIcon>
#include <QPixmap>
#include <vector>

namespace qvr {

inline constexpr int EMBLEM_SIZE = 16;

// One emblem per section ID, in the order of SECTION_ID_NAMES, with transparency:
// EMBLEM_SIZE x EMBLEM_SIZE logical pixels drawn at a device pixel ratio (the window's).
std::vector<QPixmap> sectionEmblems(qreal devicePixelRatio);
// The main colour of emblem i.
QColor emblemColor(int i);

QIcon arrowIcon(bool up);
QIcon memoIcon();

} // namespace qvr
