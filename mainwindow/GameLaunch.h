// How the game is started: its path in double quotes and nothing else, in
// its own folder, as a shortcut would start it.
#pragma once

#include <string>
#include <vector>

namespace ck {

std::string GameCommandLine(const std::string& program);

// The folder of the executable, or empty for a bare name (then the game
// starts in the current folder).
std::string GameFolder(const std::string& program);

// Whether one of the running processes' `images` (full paths, or bare file
// names where a full path could not be read) is the game `program`: by full
// path, ignoring case, or by file name where either has no folder, as when a
// launcher recorded the game by its name alone.
bool RunsGame(const std::string& program, const std::vector<std::string>& images);

}  // namespace ck
