// Labels that wrap their text grow downwards until every line shows. The
// design's boxes are the lines of its font at 96 DPI, less a pixel or two;
// a font's lines at another DPI, or an outline face in place of a bitmap
// one, can need a pixel or two more.
#pragma once

#include <windows.h>

#include "components/Win32DeviceContext.h"

namespace ck {

inline void GrowToFitText(HWND label) {
  char kind[8] = {}, text[1024] = {};
  ::GetClassNameA(label, kind, sizeof kind);
  const LONG style = ::GetWindowLongA(label, GWL_STYLE);
  if (::lstrcmpiA(kind, "Static") != 0 || (style & SS_TYPEMASK) != SS_LEFT) return;
  ::GetWindowTextA(label, text, sizeof text);
  RECT box;
  ::GetWindowRect(label, &box);
  const int width = box.right - box.left;
  RECT need{0, 0, width, 0};
  {
    const WindowDc dc(label);
    const SelectedObject font(dc.get(), reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    ::DrawTextA(dc.get(), text, -1, &need,
                DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
  }
  if (need.bottom > box.bottom - box.top) {
    ::SetWindowPos(label, nullptr, 0, 0, width, need.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace ck
