// The save folder as a prefix for the paths formed under it.
#pragma once

#include <string>
#include <string_view>

namespace ck {

// The folder read from the registry, with a trailing separator added when it
// lacks one, so that "C:\Games\save" + "Bob1.zip" cannot land in C:\Games.
std::string FolderPrefix(std::string_view folder);

}  // namespace ck
