// What screen readers read of the gauge: a progress bar named "Postęp instalacji" whose value
// is its percentage. The gauge answers WM_GETOBJECT with this object; everything but the name,
// the role and the value comes from the system's own object for the window.
#pragma once

#include <windows.h>

namespace app::win32 {

inline constexpr wchar_t kGaugeName[] = L"Postęp instalacji";

// The answer to WM_GETOBJECT for the gauge's client area: `percent` tells the current value.
LRESULT gaugeAccessibleObject(HWND gauge, WPARAM flags, int (*percent)(HWND));

}  // namespace app::win32
