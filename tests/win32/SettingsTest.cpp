// The two settings boxes with real EDIT and up-down controls, typed into key
// by key, and the start command through the process seam.
#include "tests/common/SaveFiles.h"
#include "tests/win32/GameWindowTest.h"

namespace {

using ck::testing::clockReads;
using ck::testing::kRecorder;
using ck::testing::Launch;
using ck::testing::launches;

// Runs in a start-up message box's own loop: a tick long after any
// interval, then OK.
int textUnderMessage = -1;
void CALLBACK TickUnderTheMessage(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND message = ::FindWindowA("#32770", "Cairnkeep"), form = ::FindWindowA(ck::frmMain::kClassName, nullptr);
  if (!message) return;
  ::KillTimer(nullptr, timer);
  textUnderMessage = ::GetWindowTextLengthA(::GetDlgItem(form, IDC_TXTINTERVAL)) +
                     ::GetWindowTextLengthA(::GetDlgItem(form, IDC_TXTNUMBACKUP));
  ck::testing::now += 3600000;
  ::SendMessageA(form, WM_TIMER, ck::Id(ck::TimerId::Tick), 0);
  ::PostMessageA(message, WM_COMMAND, IDOK, 0);
}

class SettingsTest : public ck::testing::GameWindowTest {
 protected:
  HWND Box(int id) const { return Control(id); }
  std::string Text(int id) const { return ControlText(id); }
  void StartRecording() {
    launches.clear();
    Start(folder_, "C:\\Program Files\\Diablo II\\Game.exe", kRecorder);
  }

  void SelectAll(int id) { ::SendMessageA(Box(id), EM_SETSEL, 0, -1); }
  void Replace(int id, const std::string& text) {
    SelectAll(id);
    ::SendMessageA(Box(id), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }

  // A real click on a spin control's up or down arrow.
  void ClickArrow(int spinId, bool up) {
    RECT r;
    ::GetClientRect(Box(spinId), &r);
    const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
    ::SendMessageA(Box(spinId), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(Box(spinId), WM_LBUTTONUP, 0, at);
  }
};

TEST_F(SettingsTest, UnderAStartUpMessageTheBoxesAreEmptyAndNoTickIsDue) {
  folder_ = "c:\\";  // the fallback folder, which start-up tells of in a message
  Put("Bob.d2s", ck::testing::WholeSave("Bob"));
  ck::testing::BoxAnswers leftToTheTest([](const std::string&) { return 0; });
  ::SetTimer(nullptr, 0, 50, &TickUnderTheMessage);
  Start();
  EXPECT_EQ(textUnderMessage, 0);
  EXPECT_FALSE(Exists("Bob1.zip"));
  for (const char* name : {"c:\\Bob.d2s", "c:\\Bob1.zip"}) ::DeleteFileA(name);
}

TEST_F(SettingsTest, AcceptedTextsStayAsTypedAndOthersBecomeTheDefault) {
  Start();
  struct Case {
    const char* typed;
    const char* shown;
  };
  const std::string thousand(1000, '9');
  for (int id : {IDC_TXTINTERVAL, IDC_TXTNUMBACKUP}) {
    const char* fallback = id == IDC_TXTINTERVAL ? "3" : "10";
    for (const Case& c : {Case{"1", "1"}, Case{"60", "60"}, Case{"2.5", "2.5"}, Case{" 7", " 7"}, Case{"7 ", "7 "},
                          Case{"0", fallback}, Case{"0.5", fallback}, Case{"60.5", fallback}, Case{"61", fallback},
                          Case{"abc", fallback}, Case{"", fallback}, Case{"-5", fallback}, Case{"1e1", fallback},
                          Case{"12\r\n34", fallback}, Case{thousand.c_str(), fallback}}) {
      Replace(id, c.typed);
      EXPECT_EQ(Text(id), c.shown) << "typed \"" << c.typed << "\" into " << id;
    }
  }
}

TEST_F(SettingsTest, TheNextBackupIsOneFullIntervalAfterTheLastChange) {
  Put("Bob.d2s", ck::testing::WholeSave("Bob"));  // before the watch, so only the interval counts
  Start();
  TickAfter(100000);
  Replace(IDC_TXTINTERVAL, "2.5");
  TickAfter(149999);
  EXPECT_FALSE(Exists("Bob1.zip"));
  TickAfter(1);
  EXPECT_TRUE(Exists("Bob1.zip"));
}

TEST_F(SettingsTest, ArrowsStepTheBoxByOneAndStepOnFromATypedNumber) {
  Start();
  UDACCEL accel[2] = {};  // held down, an arrow still steps by one
  EXPECT_EQ(::SendMessageA(Box(IDC_UDBACKUP), UDM_GETACCEL, 2, reinterpret_cast<LPARAM>(accel)), 1);
  EXPECT_EQ(accel[0].nInc, 1u);
  ClickArrow(IDC_UDINTERVAL, true);
  EXPECT_EQ(Text(IDC_TXTINTERVAL), "4");
  EXPECT_EQ(clockReads, 1);  // one restart for one click
  Replace(IDC_TXTINTERVAL, "59");
  ClickArrow(IDC_UDINTERVAL, true);
  ClickArrow(IDC_UDINTERVAL, true);  // the spin stops at its maximum
  EXPECT_EQ(Text(IDC_TXTINTERVAL), "60");
  Replace(IDC_TXTINTERVAL, "1");
  ClickArrow(IDC_UDINTERVAL, false);  // and at 1, without wrapping
  EXPECT_EQ(Text(IDC_TXTINTERVAL), "1");

  clockReads = 0;
  ClickArrow(IDC_UDBACKUP, true);
  EXPECT_EQ(Text(IDC_TXTNUMBACKUP), "11");
  EXPECT_EQ(clockReads, 0);
  Replace(IDC_TXTNUMBACKUP, "50");
  ClickArrow(IDC_UDBACKUP, true);
  EXPECT_EQ(Text(IDC_TXTNUMBACKUP), "50");
}

// The spin control reads neither a fraction nor a number beyond its 50.
TEST_F(SettingsTest, ThePassesKeepTheWholeNumberTheBoxShows) {
  Put("Bob.d2s", ck::testing::WholeSave("Bob"));
  Start();
  int played = 0;
  const auto playedPass = [&] {  // Bob changes, so every pass writes his slot
    Put("Bob.key", ck::testing::Text(std::to_string(++played)));
    TickAfter(180000);
  };
  Replace(IDC_TXTNUMBACKUP, "2.5");
  for (int pass = 0; pass < 3; ++pass) playedPass();  // slots 1, 2, 1
  EXPECT_TRUE(Exists("Bob2.zip"));
  EXPECT_FALSE(Exists("Bob3.zip"));
  Replace(IDC_TXTNUMBACKUP, "55");
  for (int pass = 0; pass < 55; ++pass) playedPass();  // slots 2 to 55, then 1
  EXPECT_TRUE(Exists("Bob55.zip"));
  EXPECT_FALSE(Exists("Bob56.zip"));
}

TEST_F(SettingsTest, TheGameStartsQuotedMinimisedInItsOwnFolderEachTimeItIsAsked) {
  StartRecording();
  for (WORD click : {BN_CLICKED, BN_DOUBLECLICKED}) {  // two quick presses of the button
    ::SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_CMDSTART, click),
                   reinterpret_cast<LPARAM>(Box(IDC_CMDSTART)));
  }
  ::SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(IDM_FILE_START, 0), 0);
  ASSERT_EQ(launches.size(), 3u);
  for (const Launch& l : launches) {
    EXPECT_EQ(l.application, "");
    EXPECT_EQ(l.commandLine, "\"C:\\Program Files\\Diablo II\\Game.exe\"");
    EXPECT_EQ(l.folder, "C:\\Program Files\\Diablo II");
    EXPECT_EQ(l.startFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
    EXPECT_EQ(l.show, SW_SHOWMINIMIZED);
    EXPECT_FALSE(l.inherit);
  }
}

}  // namespace
