#pragma once
// What the widget benchmarks share: the offscreen platform, the application
// object, and a fresh folder that is the current one while they run, so that no
// file of the caller's folder is read and none is left behind.

#include "platform/errorreport.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <functional>

namespace qvrbench {

// Runs `body` with the folder; returns what it returns, or 1 without a folder.
inline int inOffscreenFolder(char** argv, const std::function<int(QTemporaryDir& folder)>& body)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    QApplication app(qargc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qvr::setErrorReportHook([](const QString& text) { qWarning("%s", qPrintable(text)); });
    const int rc = body(dir);
    qvr::setErrorReportHook({});
    QDir::setCurrent(oldDir);
    return rc;
}

} // namespace qvrbench
