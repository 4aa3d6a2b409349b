#include "components/FolderPrefix.h"

namespace ck {

std::string FolderPrefix(std::string_view folder, LeadBytePredicate isLeadByte) {
  std::size_t last = 0;  // where the last character starts
  for (std::size_t at = 0; at < folder.size();) {
    last = at;
    const bool pair = isLeadByte && isLeadByte(static_cast<unsigned char>(folder[at])) && at + 1 < folder.size();
    at += pair ? 2 : 1;
  }
  std::string prefix(folder);
  if (folder.empty()) return prefix;
  const bool separated = last == folder.size() - 1 && (folder[last] == '\\' || folder[last] == '/');
  if (!separated) prefix += '\\';
  return prefix;
}

}  // namespace ck
