// The names under which the installer shows itself.
#pragma once

namespace app::win32 {

// Application title: the caption of the default error report.
inline constexpr wchar_t kApplicationTitle[] = L"Instalator pakietów CAD";

}  // namespace app::win32
