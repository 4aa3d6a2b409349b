#include "tray/TrayMessage.h"

namespace ck {

TrayAction DecodeTrayMessage(std::uint32_t mouseMessage) {
  constexpr std::uint32_t kLeftDoubleClick = 0x203;  // WM_LBUTTONDBLCLK
  constexpr std::uint32_t kRightButtonUp = 0x205;    // WM_RBUTTONUP
  switch (mouseMessage) {
    case kLeftDoubleClick: return TrayAction::Restore;
    case kRightButtonUp: return TrayAction::ShowMenu;
    default: return TrayAction::None;
  }
}

}  // namespace ck
