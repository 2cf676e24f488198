// The names under which the installer shows itself.
#pragma once

namespace app::win32 {

// Application title: the caption of the default error report.
inline constexpr wchar_t kApplicationTitle[] = L"Instalator pakietów CAD";
// Main window caption, shown on the taskbar button.
inline constexpr wchar_t kWindowCaption[] = L"Instalator bibliotek CAD";

}  // namespace app::win32
