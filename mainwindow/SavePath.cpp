#include "mainwindow/SavePath.h"

namespace ck {

std::string FolderPrefix(std::string_view folder) {
  std::string prefix(folder);
  if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') prefix += '\\';
  return prefix;
}

}  // namespace ck
