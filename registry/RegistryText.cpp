#include "registry/RegistryText.h"

#include <algorithm>

namespace ck {

std::string ComposeKeyPath(std::string_view mainBranch, std::string_view regBase,
                           std::string_view program, std::string_view section) {
  std::string path;
  path.reserve(mainBranch.size() + regBase.size() + program.size() + section.size() + 3);
  path.append(mainBranch).append("\\").append(regBase).append("\\");
  path.append(program).append("\\").append(section);
  if (path.back() == '\\') path.pop_back();
  return path;
}

std::string DecodeStringData(const char* data, std::size_t capacity, std::size_t returned) {
  const std::size_t n = std::min(capacity, returned);
  const char* end = std::find(data, data + n, '\0');
  return std::string(data, end);
}

std::string DwordText(std::uint32_t bits) {
  return std::to_string(static_cast<std::int32_t>(bits));
}

std::string TextOrDefault(const std::optional<std::string>& value, std::string_view fallback) {
  if (value && !value->empty()) return *value;
  return std::string(fallback);
}

}  // namespace ck
