#include "tray/TrayNotification.h"

#include <gtest/gtest.h>

namespace {

using ck::DecodeTrayNotification;
using ck::TrayAction;

TEST(TrayNotification, OnlyTheLeftDoubleClickAndTheRightButtonUpAct) {
  const auto decode = [](std::uintptr_t mouse) { return DecodeTrayNotification(0x8001, 1, mouse); };
  EXPECT_EQ(decode(0x203), TrayAction::Restore);
  EXPECT_EQ(decode(0x205), TrayAction::OpenMenu);
  // Moves, the left button's press and release, the right button's press and
  // its double click, the middle button.
  for (std::uintptr_t mouse : {0x200, 0x201, 0x202, 0x204, 0x206, 0x207, 0x208, 0x209}) {
    EXPECT_EQ(decode(mouse), TrayAction::None) << std::hex << mouse;
  }
}

TEST(TrayNotification, NothingActsThatIsNotOurIconsMessage) {
  EXPECT_EQ(DecodeTrayNotification(0x8001, 2, 0x205), TrayAction::None);  // another icon
  EXPECT_EQ(DecodeTrayNotification(0x8002, 1, 0x205), TrayAction::None);
  // A real mouse move at x = 517 over a window 581 pixels wide (144 DPI).
  EXPECT_EQ(DecodeTrayNotification(0x200, 0, (40 << 16) | 517), TrayAction::None);
}

}  // namespace
