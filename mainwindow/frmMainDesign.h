// What the main window's files share of its design, as Windows takes it.
#pragma once

#include <windows.h>

#include "mainwindow/Layout.h"
#include "resources/resource.h"

namespace ck {

inline COLORREF ToColorRef(layout::Rgb c) { return RGB(c.r, c.g, c.b); }

// The captions, painted on the window's own background.
inline bool IsLabel(int id) {
  return id == IDC_LABEL1 || id == IDC_LABEL2 || id == IDC_LABEL3 || id == IDC_LABEL4;
}

}  // namespace ck
