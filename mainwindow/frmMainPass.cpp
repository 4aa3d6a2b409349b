// The passes: soon after the game saves, as the watch of the save folder
// tells, and at the latest when the interval has passed; each tick also
// shows the clock. After a pass the first panel tells who was saved and the
// list follows the folder.
#include "mainwindow/frmMain.h"

#include <algorithm>

#include "components/Win32SystemMessage.h"
#include "mainwindow/BackupPass.h"
#include "mainwindow/BackupSchedule.h"
#include "mainwindow/NumberText.h"
#include "resources/resource.h"

namespace ck {
namespace {

// The watch names files in UTF-8, the window's text and the file calls are
// in the ANSI code page. A character that does not convert becomes "?".
std::string Convert(const std::string& text, UINT from, UINT to) {
  const int units = ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
  ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  const int bytes = ::WideCharToMultiByte(to, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  ::WideCharToMultiByte(to, 0, wide.data(), units, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace

int frmMain::Run() {
  for (;;) {
    // The watch's event is waited for beside the messages. A message box or
    // a menu runs a loop of its own, which waits for messages alone: there
    // the tick takes the notices, a second late at most.
    const HANDLE notices = watch_.Event();
    const DWORD count = notices ? 1 : 0;
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, &notices, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (count && woke == WAIT_OBJECT_0) {
      // As from a window procedure: whatever the pass throws ends it alone.
      try {
        OnNotices();
      } catch (...) {
      }
      // A folder that changes without pause must not starve the window:
      // a message, if one waits, before the next notices.
    }
    // One message a wake, as GetMessage takes them: an idle tick costs a
    // wait and a read, no more. A wait that fails must not turn the loop
    // into a spin, so GetMessage waits then.
    MSG msg;
    if (woke == WAIT_FAILED ? ::GetMessageA(&msg, nullptr, 0, 0) == -1
                            : !::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      continue;
    }
    if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
    if (TranslateDialogKeys(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void frmMain::OnTimer() {
  RefreshClockPanels();
  TakeNotices();
  PassIfDue();
}

void frmMain::OnNotices() {
  TakeNotices();
  PassIfDue();
}

void frmMain::TakeNotices() {
  if (!stopwatch_) return;
  const std::uint64_t now = clock_();
  switch (watch_.Take([&](std::string_view file) { schedule_.Changed(file, now); })) {
    case FolderWatch::Taken::Lost:
      // What changed is unknown: a pass, with the watch armed again.
      schedule_.Lost(now);
      break;
    case FolderWatch::Taken::Failed:
      // The timer alone is in charge until the next pass arms it again;
      // what changed as the watch ended is unknown.
      schedule_.Lost(now);
      watchProblem_ = SystemMessage(watch_.Error());
      ShowFirstPanelTip();
      break;
    case FolderWatch::Taken::Nothing:
    case FolderWatch::Taken::Seen:
      break;
  }
}

void frmMain::PassIfDue() {
  if (!stopwatch_) return;
  const std::uint64_t now = clock_();
  if (!schedule_.Due(now, ControlText(IDC_TXTINTERVAL), stopwatch_->Elapsed(), decimalSeparator_)) {
    SetSettleTimer(now);
    return;
  }
  if (settleAt_) ::KillTimer(hwnd_, Id(TimerId::Settle));
  settleAt_ = 0;
  const std::optional<std::uint64_t> seen = schedule_.DueAt();
  // At a timed pass, before it, so that what the pass does not see the
  // watch will, the watch is made anew: one that could not be made or
  // failed, and one gone quiet without a word (a share that keeps its
  // notices, a folder renamed while watched, which the watch follows away
  // from the path). Once for each pass that runs: a folder with no
  // character is due at every tick, and a watch that fails at once would
  // otherwise start a pass of its own every few seconds.
  const bool timed = !seen || *seen > now;
  if (timed && rearmedAt_ != passes_) {
    rearmedAt_ = passes_;
    ArmWatch();
  }
  const std::string cause = !seen || *seen > now ? std::string()
                            : schedule_.Cause().empty() ? std::string("more changes than the watch could name")
                                                        : "a change of " + Convert(schedule_.Cause(), CP_UTF8, CP_ACP);
  const std::optional<PassResult> pass = RunBackupPass(cause);
  // Who could not be kept, but for a restore cut short, which waits for the
  // player; as the watch names them.
  std::vector<std::string> notSaved;
  for (const std::string& name : pass ? pass->notSaved : std::vector<std::string>{}) {
    const bool cut = std::any_of(pass->cutShort.begin(), pass->cutShort.end(),
                                 [&](const auto& entry) { return entry.first == name; });
    if (!cut) notSaved.push_back(Convert(name, CP_ACP, CP_UTF8));
  }
  const std::uint64_t after = clock_();
  schedule_.PassRan(after, notSaved);
  SetSettleTimer(after);  // for a save tried again
}

// The settle timer fires when what the watch saw makes a pass due; it is
// set again only when that time moves.
void frmMain::SetSettleTimer(std::uint64_t now) {
  const std::optional<std::uint64_t> at = schedule_.DueAt();
  if (!at || *at == settleAt_) return;
  const auto wait = static_cast<UINT>(std::min<std::uint64_t>(*at > now ? *at - now : 0, 60000));
  ::SetTimer(hwnd_, Id(TimerId::Settle), std::max<UINT>(wait, USER_TIMER_MINIMUM), nullptr);
  settleAt_ = *at;
}

std::optional<PassResult> frmMain::RunBackupPass(const std::string& cause) {
  // The number the box shows, whole part: the spin's own range ends at 50
  // and it reads no fraction, so its value can differ from the box's text.
  // The box always holds a number the settings accepted.
  const int keep = static_cast<int>(ParseNumber(ControlText(IDC_TXTNUMBACKUP), decimalSeparator_).value());
  std::optional<PassResult> pass = ck::RunBackupPass(files_, saveDir_, keep, characters_, passMemory_);
  if (!pass) return pass;  // no character yet: due again at the next tick
  stopwatch_->Reset();
  // The names of characters not saved may not fit the panel; the tip adds
  // who was saved and who was unchanged, and what started the pass.
  const std::string time = TimeNow();
  ShowFirstPanel(LastSaveText(time, *pass), LastSaveTip(time, *pass) + (cause.empty() ? "" : " - after " + cause));
  RefreshArchiveList();
  // Last, so that whoever reads the count finds the panel and the list of that pass.
  ::SetPropA(hwnd_, kPassesProperty, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(++passes_)));
  return pass;
}

void frmMain::ArmWatch() {
  watchProblem_ = watch_.Start(saveDir_) ? std::string() : SystemMessage(watch_.Error());
  ShowFirstPanelTip();
}

void frmMain::RefreshArchiveList() {
  archiveList_.Refresh(saveDir_);
  history_->Refresh();
}

}  // namespace ck
