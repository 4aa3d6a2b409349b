// Asking the shell to open a document or a link goes through this one table,
// so that tests can see what would be opened, or make it fail.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace ck {

struct ShellApi {
  decltype(&::ShellExecuteA) ShellExecute;

  static const ShellApi& Shell32() {
    static const ShellApi api{&::ShellExecuteA};
    return api;
  }
};

}  // namespace ck
