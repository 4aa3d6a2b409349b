// The main window: the save folder, the two settings, the list of archives,
// the start button and the status bar, and the state the program keeps for
// its whole life.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "components/Stopwatch.h"
#include "components/Win32FileSystem.h"
#include "components/Win32FolderWatch.h"
#include "components/Win32HistoryBox.h"
#include "components/Win32OwnedBox.h"
#include "components/Win32ProcessApi.h"
#include "components/Win32Timer.h"
#include "components/Win32UniqueHandle.h"
#include "mainwindow/AppIds.h"
#include "mainwindow/BackupPass.h"
#include "mainwindow/BackupSchedule.h"
#include "mainwindow/GameLaunch.h"
#include "mainwindow/Module1.h"
#include "mainwindow/Win32ArchiveList.h"
#include "mainwindow/Win32RunningApi.h"
#include "registry/Win32clsRegistry.h"
#include "tray/Win32TrayIcon.h"

namespace ck {

// It goes back and keeps for the history window as for its own list.
class frmMain : public ArchiveCommands {
 public:
  static constexpr const char* kClassName = "CairnkeepMain";
  // The name of what tells a second start in the same session that the
  // program runs already.
  static constexpr const char* kRunningName = "Local\\Cairnkeep.Running";
  // The window's property that counts the passes run, for the tools that
  // watch the program from outside.
  static constexpr const char* kPassesProperty = "Cairnkeep.Passes";
  static constexpr std::size_t kControlCount = 12;  // from IDC_CMDSTART on

  explicit frmMain(HINSTANCE instance, const RegistryApi& registry = RegistryApi::Advapi32(),
                   Stopwatch::Clock clock = &Stopwatch::MonotonicMs,
                   const ProcessApi& processes = ProcessApi::Kernel32(),
                   const RunningApi& running = RunningApi::Toolhelp32(),
                   const NotifyApi& shell = NotifyApi::Shell32(),
                   FileSystem& files = Win32FileSystem::Machine());
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // Creates the window and its controls, hidden and empty.
  bool Create();
  // Start-up: starts the timer and the stopwatch, finds the game and fills
  // the controls. Ends the process when the game cannot be found.
  void Load();
  // Shows the window, normal or minimised (and so hidden) as `showCommand`
  // asks, with the focus on the start button, and its notification icon.
  void Show(int showCommand);
  // For a second start: shows the window of the Cairnkeep already running,
  // waiting a moment for it should that one be starting too.
  static void ShowRunning();
  // The one way out: stops the timer, releases the timing objects, removes
  // the notification icon and ends the process.
  [[noreturn]] void Unload();
  // The message loop, until the process ends: the window's messages, and
  // the watch's notices as they come.
  int Run();
  // Keyboard navigation (Tab, Enter for the start button, the arrows of a
  // spin with the focus) for `msg`, in this window, the About box and the
  // history window.
  bool TranslateDialogKeys(MSG& msg) const;

  HWND Handle() const { return hwnd_; }
  const std::string& SaveDir() const { return saveDir_; }
  const TrayIcon& Tray() const { return tray_; }
  ArchiveList& Archives() { return archiveList_; }

 private:
  // The routing (frmMain.cpp): each message and command to its handler.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnCommand(UINT id, UINT code);
  HWND Control(int id) const;
  std::string ControlText(int id) const;

  // The controls (frmMainControls.cpp): made from the design's table, placed
  // at the screen's DPI, with their fonts.
  void OnCreate();
  void CreateControls();
  void PlaceWindow();
  int Pixels(int twips) const;

  // The painting (frmMainPaint.cpp).
  LRESULT OnControlColor(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnEraseBackground(HDC dc);

  // The status bar (frmMainStatus.cpp). The first panel, and its tip, which
  // shows what the narrow panel cuts.
  void ShowFirstPanel(const std::string& text, const std::string& tip);
  // The time of day as the user reads it.
  static std::string TimeNow();
  void RefreshClockPanels();

  // Each tick and its pass (frmMainPass.cpp), and the save folder's watch.
  void OnTimer();
  // What the watch saw, without waiting; then a pass if one is due, else
  // the settle timer set for when one will be.
  void OnNotices();
  void TakeNotices();
  void PassIfDue();
  void SetSettleTimer(std::uint64_t now);
  // `cause`: what the watch saw that made it due, in a few words; empty
  // for the interval.
  std::optional<PassResult> RunBackupPass(const std::string& cause);
  void RefreshArchiveList();
  void ArmWatch();
  // The first panel's tip: `tip`, and why the folder is not watched.
  void ShowFirstPanelTip();

  // Going back to an archive, and keeping one (frmMainRestore.cpp): the
  // list's, and the history window's, whose boxes `owner` owns.
  void OnArchiveChosen() { RestoreFrom(SelectedArchive(), hwnd_); }
  void RestoreFrom(const std::string& archive, HWND owner) override;
  // File > Keep Selected Backup, and whether it can be: an archive selected
  // that could be restored.
  void OnKeepSelected() { Keep(SelectedArchive(), hwnd_); }
  void Keep(const std::string& archive, HWND owner) override;
  bool CanKeepSelected();
  std::string SaveFolder() const override;
  int SlotsKept() const override;
  void OnInitMenuPopup(HMENU menu);
  std::string SelectedArchive() const;
  // Why not to restore: the game runs, or the processes cannot be listed;
  // `runs` as far as they tell.
  std::string GameRunningProblem(GameRuns& runs) const;

  // The settings and the start button (frmMainSettings.cpp).
  void OnSettingTextChanged(int textId);
  void OnSpin(HWND spin);
  void PutDefault(int textId, const char* text);
  void StartGame();

  // Showing, hiding to the icon and coming back (frmMainWindowState.cpp).
  void OnActivate(bool active);
  void OnSize(WPARAM kind);
  void OnTrayNotification(WPARAM id, LPARAM mouse);
  void OnTaskbarCreated();
  void OnArchiveListRightClick();
  void Restore();
  void ShowTrayMenu();
  HICON WindowIcon() const;

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND lastFocus_ = nullptr;
  // The controls, by identifier from the first: under Wine every
  // GetDlgItem asks the window server, and a tick looks up two of them.
  std::array<HWND, kControlCount> controls_{};
  int dpi_ = 96;
  std::string decimalSeparator_ = ".";
  const ProcessApi* processes_;
  const RunningApi* running_;
  const UINT taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");

  // The program's state, as start-up leaves it.
  std::string saveDir_;
  std::string program_;
  PassMemory passMemory_;
  clsRegistry registry_;
  Stopwatch::Clock clock_;
  Timer timer1_;
  std::optional<Stopwatch> stopwatch_;
  FolderWatch watch_;
  SaveWatchSchedule schedule_;
  std::uint64_t settleAt_ = 0;  // when the settle timer fires; 0 while it is not set
  std::string watchProblem_;    // why the folder is not watched, while it is not
  std::string firstPanelTip_;
  int passes_ = 0;
  int rearmedAt_ = -1;  // passes_ when a timed pass last made the watch anew
  TrayIcon tray_;
  FileSystem& files_;
  CharacterTable characters_;
  ArchiveList archiveList_{files_};
  std::unique_ptr<OwnedBox> about_;
  std::unique_ptr<HistoryBox> history_;

  // What the clock panels show, so they are redrawn only when it changes.
  std::string shownTime_;
  std::string shownDate_;

  UniqueMenu trayMenu_;
  HACCEL accelerators_ = nullptr;  // a resource's: freed with the program
  UniqueFont font_;
  UniqueFont startFont_;
  UniqueBrush backBrush_;
  UniqueBrush startBrush_;
};

}  // namespace ck
