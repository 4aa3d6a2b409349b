// Both windows are designed in twips (1440 to the inch), so that they keep
// their physical size at every DPI.
#pragma once

namespace ck {

struct TwipRect {
  int left, top, width, height;
};

// Where a dialog's control sits in its design.
struct ControlPlacement {
  int id;
  TwipRect rect;
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

}  // namespace ck
