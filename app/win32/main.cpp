// Program entry of installer.exe: the process set-up, the platform, the command line, and either
// the unattended install of "/S" or the window model, the form, its window and the message loop.
#include <windows.h>
// After windows.h:
#include <objbase.h>

#include <optional>

#include "app/command_line.h"
#include "app/form1.h"
#include "app/log_file.h"
#include "app/unattended.h"
#include "app/win32/error_report.h"
#include "app/win32/main_window.h"
#include "app/win32/process_start.h"
#include "platform/win32/win32_platform.h"
#include "target/win32/directory.h"

namespace {

int runWindow(plat::Platform& platform, app::LogFile* logFile) {
  // An error that ends the window ends it as one that escapes "/S" does.
  app::ExitCode code = app::ExitCode::FailedRestored;
  // Screen readers reach the gauge's accessible object through COM.
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  // An error before the message loop runs (no window, no pictures) is reported like any other.
  app::win32::guarded(nullptr, [&] {
    app::WindowModel model;
    app::TForm1 form(platform, model);
    if (logFile) form.setRecord(logFile->sink());
    app::win32::MainWindow window(platform, model, form);
    window.create();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (window.translateKey(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    code = form.exitCode();
  });
  if (com) CoUninitialize();
  if (logFile) logFile->writeEnd(app::exitCodeMeaning(code), static_cast<int>(code));
  return static_cast<int>(code);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  app::win32::startProcess();
  plat::win32::Win32Platform platform(Directory::GimmeDir);
  const text::Text raw = platform.commandLine();
  const app::CommandLine line = app::parseRawCommandLine(raw);
  if (line.silent && line.unknown) return static_cast<int>(app::ExitCode::BadCommandLine);

  std::optional<app::LogFile> logFile;
  if (line.logFile) {
    try {
      logFile.emplace(platform, *line.logFile);
    } catch (const plat::FileError&) {
      return static_cast<int>(app::ExitCode::LogFileFailed);
    }
    // What support needs first: how the installer was started.
    logFile->write(u"Wiersz poleceń: " + raw);
  }
  if (!line.silent) return runWindow(platform, logFile ? &*logFile : nullptr);

  const logs::Log log = logFile ? logs::Log().withRecord(logFile->sink()) : logs::Log();
  const app::ExitCode code = app::runUnattended(platform, line, log);
  if (logFile) logFile->writeEnd(app::exitCodeMeaning(code), static_cast<int>(code));
  return static_cast<int>(code);
}
