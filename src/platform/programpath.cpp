#include "platform/programpath.h"

#include "platform/qtext.h"
#include "settings/profilefile.h"

#include <QCoreApplication>

namespace qvr {

std::string programSettingsPath()
{
    return settingsPathFor(toNativePath(QCoreApplication::applicationFilePath()));
}

} // namespace qvr
