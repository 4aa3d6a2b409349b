// The painting: the window's colours and background, and the start button.
#include "mainwindow/frmMain.h"

#include "components/Win32DeviceContext.h"
#include "mainwindow/Layout.h"
#include "mainwindow/frmMainDesign.h"
#include "resources/resource.h"

namespace ck {

LRESULT frmMain::OnControlColor(HDC dc, HWND control) {
  if (IsLabel(::GetDlgCtrlID(control))) {
    ::SetTextColor(dc, ToColorRef(layout::kLabelText));
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    ::SetTextColor(dc, ToColorRef(layout::kBoxText));
    ::SetBkColor(dc, ToColorRef(layout::kBackColour));
  }
  return reinterpret_cast<LRESULT>(backBrush_.get());
}

void frmMain::OnEraseBackground(HDC dc) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, backBrush_.get());
}

// The start button is drawn green, raised, and sunken while pressed.
void frmMain::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID == IDC_FILE1) archiveList_.Draw(item);
  if (item.CtlID != IDC_CMDSTART) return;
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  ::FillRect(item.hDC, &r, startBrush_.get());
  ::DrawEdge(item.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  char caption[64];
  ::GetWindowTextA(item.hwndItem, caption, sizeof caption);
  RECT text = r;
  if (pressed) ::OffsetRect(&text, 1, 1);
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(COLOR_BTNTEXT));
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  {
    const SelectedObject font(item.hDC, startFont_.get());
    ::DrawTextA(item.hDC, caption, -1, &text, format);
  }

  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    ::InflateRect(&focus, -4, -4);
    ::DrawFocusRect(item.hDC, &focus);
  }
}

}  // namespace ck
