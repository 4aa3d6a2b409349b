// How the game is started: its path in double quotes and nothing else, in
// its own folder, as a shortcut would start it.
#pragma once

#include <string>

namespace ck {

std::string GameCommandLine(const std::string& program);

// The folder of the executable, or empty for a bare name (then the game
// starts in the current folder).
std::string GameFolder(const std::string& program);

}  // namespace ck
