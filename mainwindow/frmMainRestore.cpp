// Going back: a double click on an archive, or Enter on the list, offers to
// restore the character from it. It runs here, on the window's thread; the
// question's message box runs a message loop of its own, in which the
// timer's passes go on.
#include "mainwindow/frmMain.h"

#include <commctrl.h>

#include <new>

#include "components/ArchiveNames.h"
#include "components/Restore.h"
#include "components/Win32LocalTime.h"
#include "mainwindow/GameLaunch.h"
#include "mainwindow/NumberText.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace ck {
namespace {

// This moment in local time, as archives named for it say it.
std::string StampNow() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return NameStamp(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

// The game started as "C:\PROGRA~1\DIABLO~1\GAME.EXE" is the one the
// registry names in full, and the other way round.
std::string LongPath(const std::string& path) {
  std::string full(MAX_PATH, '\0');
  DWORD size = ::GetLongPathNameA(path.c_str(), full.data(), static_cast<DWORD>(full.size()));
  if (size >= full.size()) {
    full.resize(size);
    size = ::GetLongPathNameA(path.c_str(), full.data(), static_cast<DWORD>(full.size()));
  }
  // A file gone, or a path the call does not take: as it is.
  if (size == 0 || size >= full.size()) return path;
  full.resize(size);
  return full;
}

}  // namespace

std::string frmMain::SelectedArchive() const { return archiveList_.Selected(); }

std::string frmMain::GameRunningProblem(GameRuns& runs) const {
  std::vector<std::string> images;
  runs = GameRuns::CannotTell;
  if (!running_->Images(images)) return "Unable to tell whether Diablo II is running: nothing was restored.";
  runs = RunsGame(program_, images, &LongPath);
  if (runs == GameRuns::Yes) return "Close Diablo II before restoring: it would save over the restored files.";
  return {};
}

bool frmMain::CanKeepSelected() {
  RestoreSource source;
  const std::string archive = SelectedArchive();
  try {
    return !archive.empty() && ReadArchiveSource(files_, saveDir_, archive, source).empty();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void frmMain::OnInitMenuPopup(HMENU menu) {
  if (::GetMenuState(menu, IDM_FILE_KEEP, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
  ::EnableMenuItem(menu, IDM_FILE_KEEP, MF_BYCOMMAND | (CanKeepSelected() ? MF_ENABLED : MF_GRAYED));
}

// Start-up gave it its separator.
std::string frmMain::SaveFolder() const { return saveDir_; }

int frmMain::SlotsKept() const {
  // The box holds what the spin allows, whole numbers from 1 on.
  const double keep = ParseNumber(ControlText(IDC_TXTNUMBACKUP), decimalSeparator_).value_or(0);
  return keep >= 1 ? static_cast<int>(keep) : 1;
}

// A copy of the archive out of the rotation, which no pass writes or removes.
void frmMain::Keep(const std::string& archive, HWND owner) {
  RestoreSource source;
  if (archive.empty()) return;
  std::string problem, keptIn;
  try {
    problem = ReadArchiveSource(files_, saveDir_, archive, source);
    if (problem.empty()) problem = KeepArchive(files_, saveDir_, source, keptIn);
  } catch (const std::bad_alloc&) {
    problem = "Unable to keep " + ShownName(archive) + ", too large for the memory free.";
  }
  if (problem.empty()) {
    const std::string text = "Kept " + ShownName(archive) + " as " + keptIn;
    ShowFirstPanel(text, text);
  }
  RefreshArchiveList();
  if (!problem.empty()) ::MessageBoxA(owner, problem.c_str(), CK_TITLE, MB_OK);
}

// The archive is read and checked before the question, and what the user
// agrees to is what is restored. The game is looked for again after the
// answer, as the user may have started it meanwhile.
void frmMain::RestoreFrom(const std::string& archive, HWND owner) {
  RestoreSource source;
  // One question at a time: the list and the history window each stay
  // usable while the other's is open, and a second question, answered
  // first, would take the first one's archive out of the passes' care.
  if (archive.empty() || !passMemory_.spared.empty()) return;
  std::string problem;
  // The reader holds an archive of up to 64 MB inflated, which a 32-bit
  // program's fragmented address space may not have room for; nothing may
  // throw out of the window procedure.
  try {
    problem = ReadRestoreSource(files_, saveDir_, archive, source);
  } catch (const std::bad_alloc&) {
    problem = "Unable to read " + ShownName(archive) + ", too large for the memory free: nothing was restored.";
  }
  GameRuns runs = GameRuns::No;
  if (problem.empty()) problem = GameRunningProblem(runs);
  if (problem.empty()) {
    const bool warned = runs == GameRuns::CannotTell;
    const std::string question = RestoreQuestion(source, LocalDateTimeText(source.madeAt, Seconds::Shown), warned);
    // The passes during the question may not write over the archive it
    // names: should the restore then fail and put every file back, the state
    // the player was asked about would be nowhere. And after the answer it
    // must still be the file the question named, or the player agreed to
    // something else.
    passMemory_.spared = archive;
    const int answer = ::MessageBoxA(owner, question.c_str(), CK_TITLE, MB_YESNO | MB_DEFBUTTON2);
    passMemory_.spared.clear();
    if (answer != IDYES) return;
    problem = GameRunningProblem(runs);
    // Told nothing of a program that may be the game, the player did not
    // agree to restore beside it.
    if (problem.empty() && runs == GameRuns::CannotTell && !warned) {
      problem = "A program that may be Diablo II started while the question was open: nothing was restored.";
    }
    if (problem.empty()) problem = StillTheArchive(files_, saveDir_, source);
  }
  std::string keptIn;
  // Memory runs short, if at all, while the present is kept and read back,
  // before any file is replaced.
  try {
    if (problem.empty()) problem = RestoreCharacter(files_, saveDir_, source, StampNow(), keptIn);
  } catch (const std::bad_alloc&) {
    problem = "Unable to restore " + source.character + " from " + ShownName(archive) +
              ", too large for the memory free" +
              (keptIn.empty() ? "." : ": the files before are kept in " + keptIn + ".");
  }
  if (problem.empty()) {
    WentBack(passMemory_, source.character, {source.archive, source.stamp.size, source.stamp.lastWrite});
    const std::string text = RestoredText(source, TimeNow(), keptIn);
    ShowFirstPanel(text, text);
  }
  RefreshArchiveList();
  if (!problem.empty()) ::MessageBoxA(owner, problem.c_str(), CK_TITLE, MB_OK);
}

}  // namespace ck
