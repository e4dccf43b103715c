#include "roster/recovery.h"

#include "platform/error.h"
#include "platform/folders.h"
#include "roster/rosterfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qvr {

namespace {

constexpr std::size_t STAMP_SIZE = 19; // "2026-12-09_14-03-22"
constexpr std::string_view EXTENSION = ".pd3";

// Orders copies by their time, then by the number after a clash; 0 when the
// name is not one of ours. "stamp.pd3" is 1, "stamp_2.pd3" is 2.
unsigned copyNumber(std::string_view name)
{
    if (name.size() < STAMP_SIZE + EXTENSION.size() || !name.ends_with(EXTENSION))
        return 0;
    for (std::size_t i = 0; i < STAMP_SIZE; ++i) {
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        const char c = name[i];
        if (separator ? (c != (i == 10 ? '_' : '-')) : (c < '0' || c > '9'))
            return 0;
    }
    std::string_view rest = name.substr(STAMP_SIZE, name.size() - STAMP_SIZE - EXTENSION.size());
    if (rest.empty())
        return 1;
    if (rest.size() < 2 || rest.size() > 6 || rest[0] != '_')
        return 0;
    unsigned n = 0;
    for (char c : rest.substr(1)) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n >= 2 ? n : 0;
}

struct Copy {
    std::string name;
    unsigned number;
};

void keepNewest(const std::string& folder, std::size_t keep)
{
    std::vector<Copy> copies;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (unsigned n = copyNumber(entry->d_name))
                copies.push_back({entry->d_name, n});
        ::closedir(dir);
    }
    if (copies.size() <= keep)
        return;
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        const int byTime = a.name.compare(0, STAMP_SIZE, b.name, 0, STAMP_SIZE);
        return byTime != 0 ? byTime < 0 : a.number < b.number;
    });
    for (std::size_t i = 0; i + keep < copies.size(); ++i)
        ::unlink((folder + "/" + copies[i].name).c_str());
}

} // namespace

std::string recoveryFolder()
{
    // Relative values are to be ignored, as for every XDG base folder.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/qvrutl/recovery";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/state/qvrutl/recovery";
    return {};
}

std::string recoveryFileName(std::time_t when)
{
    std::tm local{};
    char stamp[32] = {};
    if (!::localtime_r(&when, &local) || std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local) != STAMP_SIZE)
        return {};
    return std::string(stamp) + std::string(EXTENSION);
}

std::string writeRecoveryCopy(const Roster& roster, const std::string& folder, std::time_t when, std::size_t keep)
{
    makeFolders(folder);
    const std::string name = recoveryFileName(when);
    if (name.empty()) // a time the calendar cannot name
        throw errCannotCreate(folder);
    // An earlier copy of the same second is never replaced.
    const std::string stem = folder + "/" + name.substr(0, STAMP_SIZE);
    std::string path = stem + std::string(EXTENSION);
    for (unsigned n = 2; nameTaken(path); ++n) {
        if (n > 99999)
            throw errCannotCreate(path);
        path = stem + "_" + std::to_string(n) + std::string(EXTENSION);
    }
    saveRoster(path, roster);
    keepNewest(folder, keep);
    return path;
}

} // namespace qvr
