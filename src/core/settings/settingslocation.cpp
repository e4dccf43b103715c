#include "settings/settingslocation.h"

#include "platform/atomicfile.h"
#include "settings/profilefile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

namespace {

bool isFolder(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

std::string chooseSettingsPath(const std::string& programPath, const std::string& configHome)
{
    std::string beside = settingsPathFor(programPath);
    const bool installed = isFolder(folderOf(programPath) + "/../share/qvrutl");
    const std::string folder = folderOf(settingsWriteTarget(beside));
    if ((!installed && isFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0) || configHome.empty())
        return beside;
    return configHome + "/qvrutl/qvrutl.INI";
}

std::string chooseHistoryPath(
    const std::string& settingsPath, const std::string& programPath, const std::string& dataHome)
{
    if (settingsPath == settingsPathFor(programPath) || dataHome.empty())
        return folderOf(programPath) + "/history.sqlite";
    return dataHome + "/qvrutl/history.sqlite";
}

} // namespace qvr
