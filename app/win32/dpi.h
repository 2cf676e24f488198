// The monitor's dots per inch. The window model, its layout and its log are in logical pixels
// (96 to the inch); the window draws at the DPI of the monitor it is on. The DPI functions of
// Windows 8.1 and 10 are looked up at run time, so that the program still starts on Windows 7,
// where the system DPI serves for every monitor.
#pragma once

#include <windows.h>

#include "app/window_model.h"

namespace app::win32 {

inline constexpr int kLogicalDpi = 96;

// Logical pixels to the monitor's pixels and back.
class Scale {
 public:
  explicit Scale(int dpi = kLogicalDpi) : dpi_(dpi) {}
  int dpi() const { return dpi_; }
  int px(int logical) const;
  int logical(int px) const;
  // A rectangle by its edges, so that neighbouring controls stay neighbours.
  RECT px(const Rect& r) const;
  // The height of a font of that many points.
  int fontPixels(int points) const { return MulDiv(points, dpi_, 72); }

 private:
  int dpi_;
};

// The DPI of the monitor, or the system's where monitors have no DPI of their own.
int monitorDpi(HMONITOR monitor);
// The DPI the window draws at.
int windowDpi(HWND window);
// The monitor's whole area and work area in logical pixels at that scale.
Display displayOf(HMONITOR monitor, const Scale& scale);

}  // namespace app::win32
