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

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return Fold(x) == Fold(y); });
}

}  // namespace

bool RunsGame(const std::string& program, const std::vector<std::string>& images) {
  const std::string_view name = FileName(program);
  return std::any_of(images.begin(), images.end(), [&](const std::string& image) {
    const bool byName = name.size() == program.size() || FileName(image).size() == image.size();
    return byName ? SameIgnoringCase(FileName(image), name) : SameIgnoringCase(image, program);
  });
}

}  // namespace ck
