// The precondition check as the window runs it: it enables Install when the checks pass, never
// disables it, and does nothing before a package and its cover are shown. The checks themselves
// are tested at their own layer (checks_test.cpp).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/target/target_fixture.h"

namespace targettest {
namespace {

using fake::Op;

class PreconditionTest : public TargetTest {
 protected:
  void SetUp() override {
    TargetTest::SetUp();
    packageShown();
    fs.mkdirs(kPackageFolder);
    window.setEdit1(kHost);
    // Back to a disabled button, so that each test sees what its own check does.
    form.bnInstallSetDisable();
    form.ready = false;
    mark();
  }
};

struct WindowCase {
  const char* name;
  std::function<void(fake::FakePlatform&)> arrange;
  bool enabled;
  Text label;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
  *os << c.name;
}

class WindowCheckTest : public PreconditionTest, public testing::WithParamInterface<WindowCase> {};

TEST_P(WindowCheckTest, EnablesInstallOnlyWhenEveryCheckPasses) {
  fs.writeFile(kDatabase, "db");
  GetParam().arrange(fs);
  form.CheckInstallationEnabled();
  EXPECT_EQ(installEnabled(), GetParam().enabled);
  EXPECT_EQ(form.ready, GetParam().enabled);
  EXPECT_EQ(window.infoLabel(), GetParam().label);
  EXPECT_EQ(newLines().front(), u"Kontrola możliwości instalacji.");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowCheckTest,
    testing::Values(
        WindowCase{"all_clear", [](fake::FakePlatform&) {}, true, u""},
        WindowCase{"database_held", [](fake::FakePlatform& fs) { fs.holdOpen(kDatabase); }, false,
                   kHeld},
        // A backup an interrupted install left may be the only copy of the database.
        WindowCase{"interrupted_install",
                   [](fake::FakePlatform& fs) {
                     fs.writeFile(kPackageFolder + u"dodatki_old.mdb", "old");
                   },
                   false,
                   u"Znaleziono plik dodatki_old.mdb z przerwanej instalacji. Przenieś go w "
                   u"bezpieczne miejsce i spróbuj ponownie."},
        WindowCase{"host_running",
                   [](fake::FakePlatform& fs) {
                     fs.processList = {{9, u"arcade.exe"}};
                   },
                   false, u"Wyłącz program arcade.exe i spróbuj ponownie."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreconditionTest, NothingHappensWithoutCoverAndPackage) {
  fs.writeFile(kDatabase, "db");
  for (auto [cover, pack] : {std::pair{false, true}, std::pair{true, false}}) {
    form.formCover = cover;
    form.pack = pack;
    mark();
    form.CheckInstallationEnabled();
    EXPECT_EQ(utf8(newLines()), utf8({u"Kontrola możliwości instalacji."}));
  }
  EXPECT_EQ(fs.opCount[Op::Move], 0);
  EXPECT_FALSE(installEnabled());
}

TEST_F(PreconditionTest, RunningHostLeavesTheButtonAsItWas) {
  form.CheckInstallationEnabled();
  ASSERT_TRUE(installEnabled());
  fs.processList = {{9, u"arcade.exe"}};
  form.CheckInstallationEnabled();
  EXPECT_TRUE(installEnabled());
  EXPECT_EQ(window.infoLabel(), u"Wyłącz program arcade.exe i spróbuj ponownie.");
}

}  // namespace
}  // namespace targettest
