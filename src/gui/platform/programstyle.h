#pragma once
// The application's style: the one the toolkit chose (a -style option included),
// with one difference that nobody sees: the arrow of a menu bar's or a
// tool bar's overflow button is read from its image files when it is first
// drawn, not when the bar is built. The first image file the toolkit reads loads
// every image format plugin it has, with their libraries; the arrow shows only
// when the window is too narrow for its menus.

#include <QProxyStyle>

namespace qvr {

class ProgramStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Takes over `base`, the toolkit's style (QApplication::style()).
    explicit ProgramStyle(QStyle* base) : QProxyStyle(base) { }

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;
};

} // namespace qvr
