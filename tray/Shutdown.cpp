// The one way out of the program: the close box, File > Exit, the tray
// menu's Exit and a failed start-up all end here.
#include "mainwindow/frmMain.h"

namespace ck {

void frmMain::Unload() {
  timer1_.Enabled(false);
  stopwatch_.reset();
  tray_.Remove();
  ::ExitProcess(0);
}

}  // namespace ck
