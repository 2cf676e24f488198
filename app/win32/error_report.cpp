#include "app/win32/error_report.h"

#include "app/win32/titles.h"

namespace app::win32 {

void showError(HWND owner, const text::Text& message) {
  MessageBoxW(owner, reinterpret_cast<const wchar_t*>(message.c_str()), kApplicationTitle,
              MB_OK | MB_ICONERROR);
}

}  // namespace app::win32
