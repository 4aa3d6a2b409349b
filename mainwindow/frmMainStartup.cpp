// Start-up: the timing objects, finding the game, and filling the controls.
#include "mainwindow/frmMain.h"

#include "components/FolderPrefix.h"
#include "components/Restore.h"
#include "components/ZipArchiver.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace ck {

void frmMain::Load() {
  stopwatch_.emplace(clock_);
  timer1_.Attach(hwnd_, Id(TimerId::Tick), 1000);
  timer1_.Enabled(true);

  registry_.RootKey(0x80000001);  // HKEY_CURRENT_USER
  registry_.MainBranch("Software");
  registry_.RegBase("Blizzard Entertainment");
  registry_.Program("Diablo II");
  registry_.Section("");
  // Newer versions of the game keep the folder they really use in
  // "NewSavePath" and leave "Save Path" as it was.
  saveDir_ = registry_.ReadEntry("NewSavePath", "");
  if (saveDir_.empty()) saveDir_ = registry_.ReadEntry("Save Path", "c:\\");
  program_ = registry_.ReadEntry("Program", "");

  if (program_.empty()) {
    ::MessageBoxA(nullptr, "Unable to locate Diablo II...closing.", CK_TITLE, MB_OK);
    Unload();
  }
  if (saveDir_ == "c:\\") {
    ::MessageBoxA(nullptr, "Unable to read current Save dir...saving to C:\\", CK_TITLE, MB_OK);
  }

  ::SetDlgItemTextA(hwnd_, IDC_TXTSAVEDIR, saveDir_.c_str());
  // Everything below forms its paths under the folder with its separator,
  // found by character in the ANSI code page, which may use two bytes.
  saveDir_ = FolderPrefix(saveDir_, [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; });
  // A crash while an archive was being written leaves its temporary file.
  ZipArchiver::RemoveStale(files_, saveDir_);
  // One cut short by a crash or a power cut leaves a mark, which stays:
  // nothing is written unasked. Told while the interval is still empty, so
  // that no pass runs behind the message.
  for (const std::string& told : UnfinishedRestores(files_, saveDir_)) {
    ::MessageBoxA(nullptr, told.c_str(), CK_TITLE, MB_OK);
  }
  // The boxes take their spin controls' values, as after any spin; the
  // interval's box restarts the stopwatch as it fills.
  OnSpin(Control(IDC_UDBACKUP));
  OnSpin(Control(IDC_UDINTERVAL));
  // Only now: a save seen while a message above was open would start a
  // pass behind it.
  ArmWatch();
  RefreshArchiveList();
}

}  // namespace ck
