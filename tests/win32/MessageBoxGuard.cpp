// A message box that no test waits for would wait for a click that never
// comes, and hold up the whole run: each one fails the test that opened it,
// naming its text, and is closed at once. A test that expects boxes answers
// them through BoxAnswers.
#include "tests/win32/MessageBoxGuard.h"

#include <gtest/gtest.h>

#include <utility>

namespace ck::testing {
namespace {

BoxAnswers* answers = nullptr;
HWND lastBox = nullptr;
std::vector<std::pair<HWND, int>> toEnd;

// Runs in the box's own loop, once the box is up.
void CALLBACK EndBoxes(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  for (const auto& [box, id] : std::exchange(toEnd, {})) {
    if (::IsWindow(box)) ::EndDialog(box, id);
  }
}

LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
  HWND box = reinterpret_cast<HWND>(wParam);
  char kind[16] = {};
  // A message box is a dialog whose text is control 0xFFFF; the About box is
  // a dialog without it.
  if (code == HCBT_ACTIVATE && box != lastBox && ::GetClassNameA(box, kind, sizeof kind) &&
      std::string(kind) == "#32770" && ::GetDlgItem(box, 0xFFFF)) {
    lastBox = box;
    char text[1024] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    int id = IDCANCEL;
    if (answers) {
      answers->seen.emplace_back(text);
      id = answers->answer(text);
    } else {
      ADD_FAILURE() << "an unexpected message box: \"" << text << "\"";
    }
    if (id != 0) {
      toEnd.emplace_back(box, id);
      ::SetTimer(nullptr, 0, 0, &EndBoxes);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class Guard : public ::testing::Environment {
 public:
  void SetUp() override { hook_ = ::SetWindowsHookExA(WH_CBT, &OnActivate, nullptr, ::GetCurrentThreadId()); }
  void TearDown() override { ::UnhookWindowsHookEx(hook_); }

 private:
  HHOOK hook_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const guard = ::testing::AddGlobalTestEnvironment(new Guard);

}  // namespace

BoxAnswers::BoxAnswers(std::function<int(const std::string&)> answerWith) : answer(std::move(answerWith)) {
  answers = this;
}

BoxAnswers::~BoxAnswers() { answers = nullptr; }

}  // namespace ck::testing
