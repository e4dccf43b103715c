#include "platform/folders.h"

#include "platform/error.h"

#include <cerrno>
#include <sys/stat.h>

namespace qvr {

void makeFolders(const std::string& folder)
{
    if (folder.empty())
        throw errCannotCreate(folder);
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw errCannotCreate(folder);
    }
    struct stat st { };
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw errCannotCreate(folder);
}

bool nameTaken(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace qvr
