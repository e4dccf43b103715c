#include "settings/settingslocation.h"

#include "platform/atomicfile.h"
#include "settings/profilefile.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace qvr {

namespace {

bool isFolder(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder a write of this file would make its temporary in.
std::string writeFolderOf(const std::string& file)
{
    struct stat st { };
    if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(file.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return folderOf(target);
        }
    }
    return folderOf(file);
}
} // namespace

std::string chooseSettingsPath(const std::string& programPath, const std::string& configHome)
{
    std::string beside = settingsPathFor(programPath);
    const bool installed = isFolder(folderOf(programPath) + "/../share/qvrutl");
    const std::string folder = writeFolderOf(beside);
    if ((!installed && isFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0) || configHome.empty())
        return beside;
    return configHome + "/qvrutl/qvrutl.INI";
}

} // namespace qvr
