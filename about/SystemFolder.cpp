#include "about/SystemFolder.h"

#include <algorithm>

namespace ck {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::string ThroughSysnative(std::string_view path, std::string_view systemDir, std::string_view windowsDir) {
  const std::size_t n = systemDir.size();
  const bool inSystemDir = n > 0 && path.size() >= n && SameLetters(path.substr(0, n), systemDir) &&
                           (path.size() == n || path[n] == '\\');
  if (!inSystemDir) return std::string(path);
  std::string native(windowsDir);
  if (native.empty() || native.back() != '\\') native += '\\';
  return native.append("Sysnative").append(path.substr(n));
}

}  // namespace ck
