// The two settings boxes and their spin controls, and starting the game.
#include "mainwindow/frmMain.h"

#include <commctrl.h>

#include <string>

#include "components/Win32SystemMessage.h"
#include "mainwindow/GameLaunch.h"
#include "mainwindow/NumberText.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace ck {
namespace {

struct SettingBox {
  int textId;
  int spinId;
  const char* defaultText;
};
constexpr SettingBox kInterval{IDC_TXTINTERVAL, IDC_UDINTERVAL, "3"};
constexpr SettingBox kBackups{IDC_TXTNUMBACKUP, IDC_UDBACKUP, "10"};
constexpr double kLowest = 1, kHighest = 60;

const SettingBox* BoxOfText(int id) {
  return id == kInterval.textId ? &kInterval : id == kBackups.textId ? &kBackups : nullptr;
}
const SettingBox* BoxOfSpin(HWND window, HWND spin) {
  if (spin == ::GetDlgItem(window, kInterval.spinId)) return &kInterval;
  if (spin == ::GetDlgItem(window, kBackups.spinId)) return &kBackups;
  return nullptr;
}

}  // namespace

// Text that is no number from 1 to 60 snaps back to the default at once. The
// default is set from inside this handler, so the box's change notification
// runs this handler again, to its end, before SetDlgItemText returns.
void frmMain::OnSettingTextChanged(int textId) {
  const SettingBox* box = BoxOfText(textId);
  if (!box) return;
  const std::optional<double> value = ParseNumber(ControlText(textId), decimalSeparator_);
  if (!value) {
    PutDefault(box->textId, box->defaultText);
    return;
  }
  if (*value < kLowest || *value > kHighest) PutDefault(box->textId, box->defaultText);
  // Every change of the interval, typed, spun or replaced, starts it anew.
  if (textId == kInterval.textId && stopwatch_) stopwatch_->Reset();
}

void frmMain::PutDefault(int textId, const char* text) {
  HWND box = Control(textId);
  ::SetWindowTextA(box, text);
  const auto end = static_cast<WPARAM>(::GetWindowTextLengthA(box));
  ::SendMessageA(box, EM_SETSEL, end, static_cast<LPARAM>(end));
}

// A spin control's value goes to its box; nothing ever goes the other way
// but what the control itself reads from its buddy. The control has usually
// written the value into its buddy already, and writing it again would
// restart the interval a second time.
void frmMain::OnSpin(HWND spin) {
  const SettingBox* box = BoxOfSpin(hwnd_, spin);
  if (!box) return;
  const std::string value = std::to_string(static_cast<int>(::SendMessageA(spin, UDM_GETPOS32, 0, 0)));
  if (ControlText(box->textId) != value) ::SetDlgItemTextA(hwnd_, box->textId, value.c_str());
}

void frmMain::StartGame() {
  const std::string folder = GameFolder(program_);
  if (processes_->Start(nullptr, GameCommandLine(program_), folder.empty() ? nullptr : folder.c_str(),
                        SW_SHOWMINIMIZED)) {
    return;
  }
  const std::string message = "Unable to start Diablo II: " + SystemMessage(::GetLastError());
  ::MessageBoxA(hwnd_, message.c_str(), CK_TITLE, MB_OK);
}

}  // namespace ck
