#include "platform/programpath.h"

#include "platform/qtext.h"
#include "settings/settingslocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qvr {

std::string programSettingsPath()
{
    static const std::string path = [] {
        const QString configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        std::string chosen =
            chooseSettingsPath(toNativePath(QCoreApplication::applicationFilePath()), toNativePath(configHome));
        // A folder that cannot be made shows up as the write error at exit.
        QDir().mkpath(QFileInfo(fromNativePath(chosen)).absolutePath());
        return chosen;
    }();
    return path;
}

} // namespace qvr
