// The shell's notification-area call goes through this one table, so that
// tests can see what the program asks of the shell, or have it refuse.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace ck {

struct NotifyApi {
  decltype(&::Shell_NotifyIconA) NotifyIcon;

  static const NotifyApi& Shell32() {
    static const NotifyApi api{&::Shell_NotifyIconA};
    return api;
  }
};

}  // namespace ck
