// What a mouse message reported for the notification icon asks of the window.
#pragma once

#include <cstdint>

namespace ck {

enum class TrayAction { None, Restore, ShowMenu };

// A left double click restores the window and a released right button opens
// the tray menu. Plain moves, presses and other clicks do nothing.
TrayAction DecodeTrayMessage(std::uint32_t mouseMessage);

}  // namespace ck
