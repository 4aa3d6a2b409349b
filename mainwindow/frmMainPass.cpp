// Each tick: the clock panels, and a backup pass when the interval is due,
// after which the first panel tells who was saved and the list follows the
// folder.
#include "mainwindow/frmMain.h"

#include "mainwindow/BackupPass.h"
#include "mainwindow/BackupSchedule.h"
#include "mainwindow/NumberText.h"
#include "resources/resource.h"

namespace ck {

void frmMain::OnTimer() {
  RefreshClockPanels();
  if (!stopwatch_) return;
  if (!IsDue(ControlText(IDC_TXTINTERVAL), stopwatch_->Elapsed(), decimalSeparator_)) return;
  RunBackupPass();
}

void frmMain::RunBackupPass() {
  // The number the box shows, whole part: the spin's own range ends at 50
  // and it reads no fraction, so its value can differ from the box's text.
  // The box always holds a number the settings accepted.
  const int keep = static_cast<int>(ParseNumber(ControlText(IDC_TXTNUMBACKUP), decimalSeparator_).value());
  const std::optional<PassResult> pass = ck::RunBackupPass(files_, saveDir_, keep, characters_, passMemory_);
  if (!pass) return;  // no character yet: due again at the next tick
  stopwatch_->Reset();
  // The names of characters not saved may not fit the panel; the tip adds
  // who was saved and who was unchanged.
  const std::string time = TimeNow();
  ShowFirstPanel(LastSaveText(time, *pass), LastSaveTip(time, *pass));
  RefreshArchiveList();
}

void frmMain::RefreshArchiveList() { archiveList_.Refresh(saveDir_); }

}  // namespace ck
