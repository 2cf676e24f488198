// Program entry of installer.exe: the platform, the window model, the form and its window, and
// the message loop.
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include "app/form1.h"
#include "app/win32/error_report.h"
#include "app/win32/main_window.h"
#include "platform/host_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  int exitCode = 1;
  // An error before the message loop runs (no window, no pictures) is reported like any other.
  app::win32::guarded(nullptr, [&] {
    const auto platform = plat::makeHostPlatform();
    app::WindowModel model;
    app::TForm1 form(*platform, model);
    app::win32::MainWindow window(*platform, model, form);
    window.create();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (window.translateKey(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    exitCode = static_cast<int>(msg.wParam);
  });
  return exitCode;
}
