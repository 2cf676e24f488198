// Program entry of installer.exe: the process set-up, the platform, the window model, the form
// and its window, and the message loop.
#include <windows.h>

#include "app/form1.h"
#include "app/win32/error_report.h"
#include "app/win32/main_window.h"
#include "app/win32/process_start.h"
#include "platform/win32/win32_platform.h"
#include "target/win32/directory.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  app::win32::startProcess();
  int exitCode = 1;
  // An error before the message loop runs (no window, no pictures) is reported like any other.
  app::win32::guarded(nullptr, [&] {
    plat::win32::Win32Platform platform(Directory::GimmeDir);
    app::WindowModel model;
    app::TForm1 form(platform, model);
    app::win32::MainWindow window(platform, model, form);
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
