// The status bar: the first panel and its tip, which shows what the narrow
// panel cuts, and the time and date panels.
#include "mainwindow/frmMain.h"

#include <commctrl.h>

#include "resources/resource.h"

namespace ck {

void frmMain::ShowFirstPanel(const std::string& text, const std::string& tip) {
  ::SendDlgItemMessageA(hwnd_, IDC_STATUSBAR1, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  firstPanelTip_ = tip;
  ShowFirstPanelTip();
}

void frmMain::ShowFirstPanelTip() {
  // First, where a long tip cannot cut it off.
  std::string tip = firstPanelTip_;
  if (!watchProblem_.empty()) {
    tip = "The save folder is not watched, so a save waits for the interval: " + watchProblem_ +
          (tip.empty() ? "" : " - ") + tip;
  }
  ::SendDlgItemMessageA(hwnd_, IDC_STATUSBAR1, SB_SETTIPTEXTA, 0, reinterpret_cast<LPARAM>(tip.c_str()));
}

std::string frmMain::TimeNow() {
  char time[64] = {};
  ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  return time;
}

void frmMain::RefreshClockPanels() {
  char text[128];
  HWND status = Control(IDC_STATUSBAR1);
  if (::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, text, sizeof text) &&
      shownTime_ != text) {
    shownTime_ = text;
    ::SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
  }
  if (::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, sizeof text) &&
      shownDate_ != text) {
    shownDate_ = text;
    ::SendMessageA(status, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(text));
  }
}

}  // namespace ck
