#include "platform/designedwindow.h"

#include "platform/windowfonts.h"

#include <QFont>
#include <QWidget>
#include <QWindow>

namespace qvr {

void designWindow(QWidget& window, const char* name, const QString& caption, QSize outer)
{
    window.setObjectName(QLatin1String(name));
    window.setWindowTitle(caption);
    // The main window's font, so that all windows resolve one face.
    window.setFont(mainWindowFont());
    window.resize(outer);
}

void fitOuterSize(QWidget& window, QSize outer)
{
    if (QWindow* w = window.windowHandle()) {
        const QMargins m = w->frameMargins();
        window.resize(outer.width() - m.left() - m.right(), outer.height() - m.top() - m.bottom());
    }
}

} // namespace qvr
