#include <windows.h>
#include <commctrl.h>

#include "components/Win32UniqueHandle.h"
#include "mainwindow/frmMain.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // One Cairnkeep per session: a second would show a second icon, write the
  // same slots and remove the first one's temporary files while it writes
  // them. It shows the one running instead, before touching the save folder
  // or saying anything.
  const ck::UniqueKernelHandle running(::CreateMutexA(nullptr, FALSE, ck::frmMain::kRunningName));
  if (running && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    ck::frmMain::ShowRunning();
    return 0;
  }

  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);

  ck::frmMain form(instance);
  if (!form.Create()) return 1;
  form.Load();
  form.Show(showCommand);

  return form.Run();
}
