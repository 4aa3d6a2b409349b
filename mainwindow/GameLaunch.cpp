#include "mainwindow/GameLaunch.h"

#include <algorithm>
#include <string_view>

namespace ck {

std::string GameCommandLine(const std::string& program) { return "\"" + program + "\""; }

std::string GameFolder(const std::string& program) {
  const std::size_t slash = program.find_last_of("\\/");
  if (slash == std::string::npos) return {};
  // "C:\Game.exe" starts in "C:\", not in the drive's current folder "C:".
  if (slash == 2 && program[1] == ':') return program.substr(0, 3);
  return program.substr(0, slash);
}

namespace {

std::string_view FileName(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Empty for a bare name.
std::string_view Folder(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash);
}

// "C:\..." or "\\server\...": a folder that does not hang on the current one.
bool IsFull(std::string_view path) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  return (path.size() >= 3 && path[1] == ':' && slash(path[2])) ||
         (path.size() >= 2 && slash(path[0]) && slash(path[1]));
}

char Fold(char c) {
  if (c == '/') return '\\';
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return Fold(x) == Fold(y); });
}

}  // namespace

GameRuns RunsGame(const std::string& program, const std::vector<std::string>& images,
                  std::string (*longForm)(const std::string& path)) {
  const std::string game = program.empty() ? program : longForm(program);
  const bool folderKnown = IsFull(game);
  const std::string_view names[] = {"Game.exe", "Diablo II.exe", FileName(game)};
  GameRuns runs = GameRuns::No;
  for (const std::string& image : images) {
    const bool bare = Folder(image).empty();
    const std::string path = bare ? image : longForm(image);
    const std::string_view name = FileName(path);
    if (name.empty() || std::none_of(std::begin(names), std::end(names),
                                     [&](std::string_view n) { return SameIgnoringCase(n, name); })) {
      continue;
    }
    if (bare || !folderKnown) {
      runs = GameRuns::CannotTell;
    } else if (SameIgnoringCase(Folder(path), Folder(game))) {
      return GameRuns::Yes;
    }
  }
  return runs;
}

}  // namespace ck
