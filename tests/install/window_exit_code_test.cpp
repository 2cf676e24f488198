// The window's process ends with the code "/S" would have ended with: the install's outcome, or
// what kept the install from being offered.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/exit_code.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

using app::ExitCode;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Stare krzesło"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};

struct WindowCase {
  const char* name;
  std::function<void(Scenario&)> arrange;
  bool click;  // Install clicked, or the window closed without it
  ExitCode code;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
  *os << c.name;
}

class WindowExitCode : public testing::TestWithParam<WindowCase> {};

TEST_P(WindowExitCode, FollowsTheOutcome) {
  Scenario s;
  s.makePrevious(kPrevious);
  s.makePackage(kPackage);
  GetParam().arrange(s);
  if (GetParam().click) s.form.ButtonInstallClick();
  s.form.CloseClick();
  EXPECT_EQ(s.form.exitCode(), GetParam().code) << testing::PrintToString(apptest::utf8(s.memo()));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, WindowExitCode,
    testing::Values(WindowCase{"installed", [](Scenario&) {}, true, ExitCode::Installed},
                    WindowCase{"host_running_at_the_click",
                               [](Scenario& s) {
                                 s.fs.processList = {{7, u"VirelaPro.exe"}};
                               },
                               true, ExitCode::HostBusy},
                    WindowCase{
                        "backup_left_by_an_interrupted_run",
                        [](Scenario& s) { s.fs.writeFile(s.file(u"dodatki_old.mdb"), "old"); },
                        true, ExitCode::InterruptedInstall},
                    WindowCase{"failed_and_restored",
                               [](Scenario& s) { s.makePackageWithDatabase("no database"); }, true,
                               ExitCode::FailedRestored},
                    WindowCase{"no_package_offered", [](Scenario& s) { s.form.pack = false; },
                               false, ExitCode::NoPackage},
                    WindowCase{"host_running_before_the_click",
                               [](Scenario& s) {
                                 s.fs.processList = {{7, u"VirelaPro.exe"}};
                                 s.form.CheckInstallationEnabled();
                               },
                               false, ExitCode::HostBusy},
                    WindowCase{"folder_without_a_library",
                               [](Scenario& s) {
                                 s.form.CheckInstallationEnabled();
                                 s.fs.mkdirs(u"C:\\Inne");
                                 s.window.setEdit1(u"C:\\Inne\\");
                               },
                               false, ExitCode::NoHostFolder},
                    // Nothing was changed: the caller learns that nothing was installed.
                    WindowCase{"install_offered_and_closed",
                               [](Scenario& s) { s.form.CheckInstallationEnabled(); }, false,
                               ExitCode::NotInstalled}),
    [](const testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.name); });

// The log file's last line names every code, each with its own words.
TEST(ExitCodes, EachSaysWhatItMeans) {
  std::set<Text> meanings;
  for (int code = 0; code <= static_cast<int>(ExitCode::StoppedUnchanged); ++code) {
    const Text meaning = app::exitCodeMeaning(static_cast<ExitCode>(code));
    EXPECT_FALSE(meaning.empty()) << code;
    EXPECT_TRUE(meanings.insert(meaning).second) << code;
  }
}

}  // namespace
}  // namespace installtest
