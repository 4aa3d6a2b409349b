// Move-only owners for what drawing borrows, in the manner of
// Win32UniqueHandle.h: a window's device context, given back to it, and an
// object selected into a device context, which puts back the one it
// replaced. Each gives back what it took on every path out.
#pragma once

#include <windows.h>

#include <utility>

namespace ck {

// The device context GetDC lends for `window` (for none: the screen's).
class WindowDc {
 public:
  explicit WindowDc(HWND window = nullptr) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() { reset(); }

  WindowDc(WindowDc&& other) noexcept : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = other.window_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  void reset() {
    if (dc_) ::ReleaseDC(window_, std::exchange(dc_, nullptr));
  }

  HWND window_;
  HDC dc_;
};

// `object` selected into `dc` for as long as this lives. The owner of the
// device context must outlive it.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectedObject() { reset(); }

  SelectedObject(SelectedObject&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), old_(std::exchange(other.old_, nullptr)) {}
  SelectedObject& operator=(SelectedObject&& other) noexcept {
    if (this != &other) {
      reset();
      dc_ = std::exchange(other.dc_, nullptr);
      old_ = std::exchange(other.old_, nullptr);
    }
    return *this;
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  // A failed selection replaced nothing, and has nothing to put back.
  void reset() {
    if (dc_ && old_) ::SelectObject(std::exchange(dc_, nullptr), old_);
  }

  HDC dc_;
  HGDIOBJ old_;
};

// The screen's dots per inch, which both windows are laid out for; 96 where
// it does not say.
inline int ScreenDpi() {
  const WindowDc screen;
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  return dpi > 0 ? dpi : 96;
}

}  // namespace ck
