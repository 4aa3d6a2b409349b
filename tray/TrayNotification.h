// What the notification-area icon's messages ask of the program. No Windows
// header here, so that the decoding is tested natively too.
#pragma once

#include <cstdint>

namespace ck {

// The icon reports as this message of the main window (WM_APP + 1). A
// message of its own, not WM_MOUSEMOVE: a real mouse move over the window
// could otherwise be read as a click on the icon.
constexpr std::uint32_t kTrayCallbackMessage = 0x8000 + 1;
constexpr std::uintptr_t kTrayIconId = 1;

enum class TrayAction { None, Restore, OpenMenu };

// The notification carries the icon's identifier and the mouse message that
// happened over the icon. Only a left double click and the release of the
// right button act; a press is not yet a choice.
constexpr TrayAction DecodeTrayNotification(std::uint32_t message, std::uintptr_t id, std::uintptr_t mouse) {
  if (message != kTrayCallbackMessage || id != kTrayIconId) return TrayAction::None;
  constexpr std::uintptr_t kLeftDoubleClick = 0x203, kRightButtonUp = 0x205;
  if (mouse == kLeftDoubleClick) return TrayAction::Restore;
  if (mouse == kRightButtonUp) return TrayAction::OpenMenu;
  return TrayAction::None;
}

}  // namespace ck
