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

std::string programHistoryPath()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return chooseHistoryPath(
        programSettingsPath(), toNativePath(QCoreApplication::applicationFilePath()), toNativePath(dataHome));
}

QString modulePathFor(const QString& programDir, const char* file)
{
    const QDir dir(programDir);
    const QString beside = dir.filePath(QStringLiteral("lib/qvrutl/") + QLatin1String(file));
    const QString installed = dir.filePath(QStringLiteral("../lib/qvrutl/") + QLatin1String(file));
    return QDir::cleanPath(QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed);
}

QString programModulePath(const char* file) { return modulePathFor(QCoreApplication::applicationDirPath(), file); }

} // namespace qvr
