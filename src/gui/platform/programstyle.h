#pragma once
// The application's style: the one the toolkit chose (a -style option included),
// with two differences that nobody sees. The first image file the toolkit reads
// by its name loads every image format plugin it has, with their libraries (19
// shared objects): so the arrow of a menu bar's or a tool bar's overflow button
// is read from its image files when it is first drawn, not when the bar is
// built (it shows only when the window is too narrow for its menus), and under
// the Fusion style a group box's frame is drawn from its picture read as PNG
// (readPng), as Fusion draws it.

#include <QPixmap>
#include <QProxyStyle>

namespace qvr {

class ProgramStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Takes over `base`, the toolkit's style (QApplication::style()).
    explicit ProgramStyle(QStyle* base) : QProxyStyle(base) { }

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;
    void drawPrimitive(
        PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;

private:
    mutable QPixmap groupBoxFrame_; // Fusion's, read at the first group box drawn
};

// A PNG picture read without asking the image format plugins.
QPixmap readPng(const QString& path);

} // namespace qvr
