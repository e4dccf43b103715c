#pragma once
// The tool windows are laid out at fixed places and sizes, as designed, and each
// control bears its name from the windows' control tables.

#include <QLatin1String>
#include <QSize>
#include <QString>

class QWidget;

namespace qvr {

template <typename W>
W* place(W* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

// Name, caption, the 12-pixel font of every window, and the designed outer size
// as a first size (the frame is not known yet; fitOuterSize corrects it).
void designWindow(QWidget& window, const char* name, const QString& caption, QSize outer);

// Sizes the client so that the window with its frame has the designed outer size.
void fitOuterSize(QWidget& window, QSize outer);

} // namespace qvr
