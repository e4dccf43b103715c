#pragma once
// Folders the program keeps its own files in.

#include <string>

namespace qvr {

// Makes the folder and the missing folders above it, for the user alone, as the
// per-user folders are made; throws errCannotCreate naming the folder when there
// is no folder by that name afterwards.
void makeFolders(const std::string& folder);

// Whether anything has the name, a dangling link included: names the program
// picks for new files never take one that is there.
bool nameTaken(const std::string& path);

} // namespace qvr
