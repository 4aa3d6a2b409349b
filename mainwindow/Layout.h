// The main window's design, in twips.
#pragma once

#include "components/Twips.h"

namespace ck {
namespace layout {

inline constexpr int kClientWidth = 5805;
inline constexpr int kClientHeight = 4080;

inline constexpr TwipRect kCmdStart{120, 3240, 5535, 495};
inline constexpr TwipRect kLabel1{120, 120, 1695, 255};
inline constexpr TwipRect kTxtSaveDir{1920, 120, 3735, 285};
inline constexpr TwipRect kLabel2{120, 600, 1455, 375};
inline constexpr TwipRect kStatusBar1{0, 3825, 5805, 255};
inline constexpr TwipRect kTxtInterval{1920, 600, 255, 285};
inline constexpr TwipRect kUdInterval{2160, 600, 240, 375};
inline constexpr TwipRect kLabel3{3480, 600, 1455, 375};
inline constexpr TwipRect kTxtNumBackup{5040, 600, 390, 285};
inline constexpr TwipRect kUdBackup{5400, 600, 240, 375};
inline constexpr TwipRect kLabel4{120, 1200, 1335, 255};
inline constexpr TwipRect kFile1{120, 1440, 5535, 1650};

// Status bar panels: message, time, date.
inline constexpr int kPanelWidths[3] = {2900, 1440, 1440};

struct Rgb {
  unsigned char r, g, b;
};
inline constexpr Rgb kBackColour{64, 64, 64};
inline constexpr Rgb kLabelText{255, 0, 0};
inline constexpr Rgb kBoxText{255, 192, 192};
inline constexpr Rgb kStartBack{0, 128, 0};

inline constexpr double kFontPoints = 8.25;
inline constexpr double kStartFontPoints = 13.5;

}  // namespace layout
}  // namespace ck
