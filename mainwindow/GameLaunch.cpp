#include "mainwindow/GameLaunch.h"

namespace ck {

std::string GameCommandLine(const std::string& program) { return "\"" + program + "\""; }

std::string GameFolder(const std::string& program) {
  const std::size_t slash = program.find_last_of("\\/");
  if (slash == std::string::npos) return {};
  // "C:\Game.exe" starts in "C:\", not in the drive's current folder "C:".
  if (slash == 2 && program[1] == ':') return program.substr(0, 3);
  return program.substr(0, slash);
}

}  // namespace ck
