// The progress bar: drawn by us, since with visual styles Windows ignores a progress control's
// bar colour. A child window whose text is the percentage, readable from outside; screen
// readers find a progress bar named "Postęp instalacji" with the percentage as its value.
#pragma once

#include <windows.h>

namespace app::win32 {

// Creates the bar (range 0 .. 100, at 0) as a hidden child of parent with the given control id.
HWND createGauge(HWND parent, int id, HFONT font);
// Sets the percentage and repaints the bar at once.
void setGaugePercent(HWND gauge, int percent);

}  // namespace app::win32
