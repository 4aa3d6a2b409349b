// The main window's design, in twips, and its conversion to pixels.
#pragma once

namespace ck {

struct TwipRect {
  int left, top, width, height;
};

inline constexpr int kTwipsPerInch = 1440;

// Pixels for a length in twips at `dpi` dots per inch, rounded to nearest.
constexpr int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>((scaled + kTwipsPerInch / 2) / kTwipsPerInch);
}

// Font height in pixels for a size in points (negative: the character height).
constexpr int PointsToFontHeight(double points, int dpi) {
  return -static_cast<int>(points * dpi / 72.0 + 0.5);
}

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
