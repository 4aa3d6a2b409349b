// The once-a-second timer: SetTimer on the window, so every tick arrives as
// WM_TIMER through the UI thread's message loop, like any other event.
#pragma once

#include <windows.h>

namespace ck {

class Timer {
 public:
  Timer() = default;
  ~Timer() { Enabled(false); }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Ticks go to `window` as WM_TIMER with `id` every `intervalMs`.
  void Attach(HWND window, UINT_PTR id, UINT intervalMs) {
    Enabled(false);
    window_ = window;
    id_ = id;
    intervalMs_ = intervalMs;
  }

  void Enabled(bool on) {
    if (on && !running_ && window_) {
      running_ = ::SetTimer(window_, id_, intervalMs_, nullptr) != 0;
    } else if (!on && running_) {
      ::KillTimer(window_, id_);
      running_ = false;
    }
  }

  bool Enabled() const { return running_; }

 private:
  HWND window_ = nullptr;
  UINT_PTR id_ = 0;
  UINT intervalMs_ = 1000;
  bool running_ = false;
};

}  // namespace ck
