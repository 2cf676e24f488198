// Discovery and the install preconditions on the real (Wine) platform: drive letters beyond C:,
// a folder reached through a link, a database held open, and a running host program.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/form1.h"
#include "platform/win32/win32_platform.h"
#include "target/preconditions.h"
#include "tests/win32/temp_folder.h"

namespace {

using text::Text;
using wintest::TempFolder;
using wintest::wide;

const Text kHeld = u"Wyłącz program VIRELA i spróbuj ponownie.";

// The message of what stops an install on the field's folder, or nothing.
std::optional<Text> blockerMessage(plat::Platform& fs, const app::TForm1& form,
                                   const app::WindowModel& window) {
  const auto refusal = target::installBlocker(fs, window.edit1(), form.packageName);
  if (!refusal) return std::nullopt;
  return refusal->message;
}

// Polls until the condition holds or 20 s have passed.
bool waitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

Text windowsPathOfUnix(const std::string& unixPath) {
  Text out = u"Z:" + text::fromUtf8(unixPath);
  for (auto& c : out) {
    if (c == u'/') c = u'\\';
  }
  return out;
}

// Starts a Linux program (Wine runs ELF files too); its handle cannot be waited for, so callers
// wait for its effect.
void runUnix(const Text& commandLine) {
  Text cmd = commandLine;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, const_cast<wchar_t*>(wide(cmd)), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &si, &pi))
      << text::toUtf8(cmd);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

class TargetChecksTest : public ::testing::Test {
 protected:
  plat::win32::Win32Platform fs;
  app::WindowModel window;
  app::TForm1 form{fs, window};
  TempFolder tmp;

  Text host() const { return tmp.dir() + u"\\"; }
  Text database() const { return host() + u"dodatki\\Pakiet\\dodatki.mdb"; }

  // A host folder with the package's database, and a window that shows the package.
  void hostWithDatabase() {
    fs.forceDirectories(host() + u"dodatki\\Pakiet");
    fs.open(database(), plat::OpenMode::Create)->writeAt(0, "db", 2);
    form.formCover = true;
    form.pack = true;
    form.packageName = u"Pakiet";
  }

  bool installEnabled() const { return window.visible(app::Ctl::bnInstallNormal); }
};

// A drive letter the way Wine keeps it: a link in the prefix's dosdevices folder to a Linux
// folder, plus the name in the device map that lists the logical drives.
TEST_F(TargetChecksTest, DiscoveryFindsInstallationsOnEveryDriveThroughLinksToo) {
  const char* prefixEnv = std::getenv("WINEPREFIX");
  ASSERT_NE(prefixEnv, nullptr) << "run through scripts/run-in-wine.sh";
  const std::string prefix = prefixEnv;
  const std::string driveDir = prefix + "/target_drive_m";
  const Text driveWin = windowsPathOfUnix(driveDir);
  fs.forceDirectories(driveWin + u"\\Nordeka\\CAD M");
  fs.forceDirectories(driveWin + u"\\Nordeka\\CADX");
  fs.forceDirectories(driveWin + u"\\elsewhere\\linked");
  fs.forceDirectories(u"C:\\Nordeka\\CAD C");
  fs.forceDirectories(u"C:\\Nordeka\\Stare\\CAD D");  // one level too deep

  runUnix(u"Z:\\bin\\ln -s " + text::fromUtf8(driveDir) + u" " + text::fromUtf8(prefix) +
          u"/dosdevices/m:");
  // An installation folder that is a link to a folder elsewhere.
  runUnix(u"Z:\\bin\\ln -s ../elsewhere/linked \"" + text::fromUtf8(driveDir) +
          u"/Nordeka/CAD Link\"");
  ASSERT_TRUE(waitFor([&] { return fs.directoryExists(u"M:\\Nordeka\\CAD Link"); }));
  ASSERT_TRUE(DefineDosDeviceW(DDD_RAW_TARGET_PATH, L"M:", L"\\Device\\Null"));

  form.log_level = app::DEBUG;
  ASSERT_TRUE(form.searchInstallationPath());

  const auto& memo = window.memoLines();
  auto has = [&](const Text& line) {
    return std::find(memo.begin(), memo.end(), line) != memo.end();
  };
  EXPECT_TRUE(has(u"HDD: [C:\\]"));
  EXPECT_TRUE(has(u"HDD: [M:\\]"));
  EXPECT_TRUE(has(u"Szukamy instalacjy oprogramowania VIRELA: M:\\Nordeka\\"));
  EXPECT_TRUE(has(u"Znaleziono 3 instalacji oprogramowania CAD."));
  EXPECT_TRUE(has(u"Znaleziono instalację oprogramowania VIRELA: C:\\Nordeka\\CAD C"));
  EXPECT_TRUE(has(u"Znaleziono instalację oprogramowania VIRELA: M:\\Nordeka\\CAD M"));
  EXPECT_TRUE(has(u"Znaleziono instalację oprogramowania VIRELA: M:\\Nordeka\\CAD Link"));
  // The lowest drive letter comes first.
  EXPECT_EQ(window.edit1(), u"C:\\Nordeka\\CAD C\\");
}

TEST_F(TargetChecksTest, DatabaseHeldOpenWithoutDeleteSharingFailsTheCheck) {
  hostWithDatabase();
  const HANDLE held = CreateFileW(wide(database()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  window.setEdit1(host());  // validation, then the precondition check
  EXPECT_EQ(window.infoLabel(), kHeld);
  EXPECT_FALSE(installEnabled());
  EXPECT_EQ(blockerMessage(fs, form, window), kHeld);
  EXPECT_TRUE(fs.fileExists(database()));
  EXPECT_FALSE(fs.fileExists(database() + u".old"));

  CloseHandle(held);
  form.CheckInstallationEnabled();
  EXPECT_TRUE(installEnabled());
  EXPECT_EQ(blockerMessage(fs, form, window), std::nullopt);
  EXPECT_TRUE(fs.fileExists(database()));
  EXPECT_FALSE(fs.fileExists(database() + u".old"));
}

// A copy of the idle helper running as arcade.exe, stopped through a named event.
class RunningProgram {
 public:
  RunningProgram(const Text& helper, const Text& exe) {
    const Text event = u"target_checks_stop_" + text::num(GetCurrentProcessId());
    stop_ = CreateEventW(nullptr, TRUE, FALSE, wide(event));
    if (!CopyFileW(wide(helper), wide(exe), FALSE)) return;
    Text cmd = u"\"" + exe + u"\" " + event;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (CreateProcessW(nullptr, const_cast<wchar_t*>(wide(cmd)), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, &si, &pi_)) {
      CloseHandle(pi_.hThread);
    }
  }
  ~RunningProgram() {
    SetEvent(stop_);
    if (pi_.hProcess) {
      WaitForSingleObject(pi_.hProcess, 20000);
      CloseHandle(pi_.hProcess);
    }
    CloseHandle(stop_);
  }
  bool started() const { return pi_.hProcess != nullptr; }
  uint32_t pid() const { return pi_.dwProcessId; }

 private:
  HANDLE stop_ = nullptr;
  PROCESS_INFORMATION pi_{};
};

TEST_F(TargetChecksTest, RunningHostProgramBlocksInstall) {
  hostWithDatabase();
  const Text exe = fs.executablePath();
  const Text helper = exe.substr(0, exe.find_last_of(u'\\') + 1) + u"target_idle_helper.exe";
  RunningProgram arcade(helper, tmp.at(u"arcade.exe"));
  ASSERT_TRUE(arcade.started());
  ASSERT_TRUE(waitFor([&] {
    for (const auto& p : fs.processes()) {
      if (p.pid == arcade.pid()) return true;
    }
    return false;
  }));

  window.setEdit1(host());
  EXPECT_EQ(window.infoLabel(), u"Wyłącz program arcade.exe i spróbuj ponownie.");
  EXPECT_FALSE(installEnabled());
  EXPECT_EQ(blockerMessage(fs, form, window), u"Wyłącz program arcade.exe i spróbuj ponownie.");
  EXPECT_TRUE(fs.fileExists(database()));
}

}  // namespace
