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

enum class GameRuns { No, Yes, CannotTell };

// Whether the game runs, as the running processes' `images` (full paths, or
// bare file names where a full path could not be read) tell: a program of
// the game's folder, "Game.exe", "Diablo II.exe" or `program`'s own name, in
// any case, in the folder of `program`. Many games' programs have those
// names, so one in another folder is not the game; one whose folder is not
// known, a bare name or any while `program` has no full path, cannot tell.
// `longForm` gives a path with each short (8.3) name in it spelt out, or the
// path as given where it cannot.
GameRuns RunsGame(const std::string& program, const std::vector<std::string>& images,
                  std::string (*longForm)(const std::string& path));

}  // namespace ck
