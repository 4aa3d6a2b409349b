// The main window's own timers and messages, each numbered once here, so
// that no two share a number: the archive list sets its timer on the
// window, and the notification icon reports as one of its messages.
#pragma once

#include <cstdint>

#include "tray/TrayNotification.h"

namespace ck {

// SetTimer's identifiers on the main window.
enum class TimerId : std::uintptr_t {
  Tick = 1,      // once a second: the clock panels and the backup schedule
  ReadArchives,  // while the archive list has archives it has not read
  Settle,        // once, when a change the watch saw makes a pass due
};

// The main window's messages of its own, from WM_APP + 1 on.
enum class AppMessage : std::uint32_t {
  TrayNotification = kTrayCallbackMessage,
  ArchiveChosen,  // Enter on the archive list, as a double click on it
  Show,           // from a second start: show the window, in front
};

constexpr std::uintptr_t Id(TimerId id) { return static_cast<std::uintptr_t>(id); }
constexpr std::uint32_t Id(AppMessage message) { return static_cast<std::uint32_t>(message); }

}  // namespace ck
