// Directory listing as the program needs it: ordinary and read-only files
// only, by their exact long names.
#pragma once

#include <string>
#include <vector>

namespace ck {

// Names (without folder) of the files in `folderPrefix` (ending in a
// separator) that match `mask`: no directories, no hidden or system files.
// A folder that is missing or unreadable has no files.
std::vector<std::string> ListNormalFiles(const std::string& folderPrefix, const std::string& mask);

}  // namespace ck
