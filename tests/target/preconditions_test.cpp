// The checks that offer the Install button: the database access test, the running-host rule,
// and the silent check an install makes before it starts.
#include "target/preconditions.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/target/target_fixture.h"

namespace targettest {
namespace {

using fake::Op;

const Text kHeld = u"Wyłącz program VIRELA i spróbuj ponownie.";
const target::Refusal kHeldRefusal{target::Refusal::Reason::DatabaseInUse, kHeld};
const target::Refusal kNoInstallation{
    target::Refusal::Reason::NoInstallation,
    u"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."};

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

// ---------------------------------------------------------------- database access test

struct DatabaseCase {
  const char* name;
  std::optional<std::string> database;  // contents of dodatki.mdb before the check
  std::optional<std::string> side;      // contents of dodatki.mdb.old before the check
  bool databaseHeld;
  bool sideHeld;
  bool passes;
  std::optional<std::string> databaseAfter;
  std::optional<std::string> sideAfter;
};

void PrintTo(const DatabaseCase& c, std::ostream* os) {
  *os << c.name;
}

class DatabaseTest : public PreconditionTest, public testing::WithParamInterface<DatabaseCase> {
 protected:
  std::optional<std::string> contents(const Text& path) {
    if (!fs.fileExists(path)) return std::nullopt;
    return fs.readFile(path);
  }
};

TEST_P(DatabaseTest, DatabaseKeepsItsNameAndOnlyCopy) {
  const DatabaseCase& c = GetParam();
  if (c.database) fs.writeFile(kDatabase, *c.database);
  if (c.side) fs.writeFile(kSide, *c.side);
  fs.holdOpen(kDatabase, c.databaseHeld);
  fs.holdOpen(kSide, c.sideHeld);

  form.CheckInstallationEnabled();

  EXPECT_EQ(installEnabled(), c.passes);
  EXPECT_EQ(form.ready, c.passes);
  EXPECT_EQ(window.infoLabel(), c.passes ? u"" : kHeld);
  EXPECT_EQ(contents(kDatabase), c.databaseAfter);
  EXPECT_EQ(contents(kSide), c.sideAfter);
  // A failed test looks at no process.
  EXPECT_EQ(countNew(u"Sprawdzamy uruchomienie applikacji CAD."), c.passes ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    States, DatabaseTest,
    testing::Values(
        DatabaseCase{"first_install", std::nullopt, std::nullopt, false, false, true, std::nullopt,
                     std::nullopt},
        DatabaseCase{"present", "db", std::nullopt, false, false, true, "db", std::nullopt},
        DatabaseCase{"held_open", "db", std::nullopt, true, false, false, "db", std::nullopt},
        // A stale copy beside the real database is deleted.
        DatabaseCase{"stale_copy_beside_database", "db", "stale", false, false, true, "db",
                     std::nullopt},
        DatabaseCase{"stale_copy_held_open", "db", "stale", false, true, false, "db", "stale"},
        // An earlier check stopped between its renames: the side file is the database.
        DatabaseCase{"interrupted_check", std::nullopt, "db", false, false, true, "db",
                     std::nullopt},
        DatabaseCase{"interrupted_check_file_held_open", std::nullopt, "db", false, true, false,
                     std::nullopt, "db"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreconditionTest, StaleCopyIsReportedBeforeTheTest) {
  fs.writeFile(kDatabase, "db");
  fs.writeFile(kSide, "stale");
  form.CheckInstallationEnabled();
  const std::vector<Text> lines = newLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(utf8({lines.begin(), lines.begin() + 4}),
            utf8({u"Kontrola możliwości instalacji.", u"Sprawdzamy dostęp do pliku: " + kDatabase,
                  u"Kasujemy poprzednią kopię pliku dodatki.mdb", u"Dostęp do MDB poprawny"}));
}

TEST_F(PreconditionTest, FirstInstallRenamesNothing) {
  form.CheckInstallationEnabled();
  EXPECT_EQ(fs.opCount[Op::Move], 0);
  EXPECT_TRUE(installEnabled());
}

// One failed attempt on the way back (a scanner holding the renamed file for a moment) is
// retried.
TEST_F(PreconditionTest, OneFailedWayBackIsRetried) {
  fs.writeFile(kDatabase, "db");
  int failures = 0;
  fs.shouldFail = [&](Op op, const Text& from) {
    return op == Op::Move && from == kSide && failures++ == 0;
  };
  form.CheckInstallationEnabled();
  EXPECT_TRUE(installEnabled());
  EXPECT_EQ(fs.readFile(kDatabase), "db");
  EXPECT_FALSE(fs.fileExists(kSide));
}

// Should the database not get its name back, the install would take it for a first install.
TEST_F(PreconditionTest, FailedWayBackFailsTheTestAndTheNextCheckRepairsIt) {
  fs.writeFile(kDatabase, "db");
  fs.shouldFail = [](Op op, const Text& from) { return op == Op::Move && from == kSide; };
  form.CheckInstallationEnabled();
  EXPECT_FALSE(installEnabled());
  EXPECT_EQ(window.infoLabel(), kHeld);

  fs.shouldFail = nullptr;
  form.CheckInstallationEnabled();
  EXPECT_TRUE(installEnabled());
  EXPECT_EQ(fs.readFile(kDatabase), "db");
  EXPECT_FALSE(fs.fileExists(kSide));
}

TEST_F(PreconditionTest, PathsComeFromTheTrimmedField) {
  window.setEdit1(u"  " + kHost + u" ");
  mark();
  form.CheckInstallationEnabled();
  EXPECT_EQ(newLines().at(1), u"Sprawdzamy dostęp do pliku: " + kDatabase);
}

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

// ---------------------------------------------------------------- running-host rule

struct HostCase {
  const char* name;
  std::vector<plat::ProcessEntry> processes;
  std::vector<Text> conflicts;  // the "Wykryto konfliktową aplikację" names, in order
};

void PrintTo(const HostCase& c, std::ostream* os) {
  *os << c.name;
}

class RunningHostTest : public PreconditionTest, public testing::WithParamInterface<HostCase> {};

TEST_P(RunningHostTest, ConflictsBlockAndTheLastOneIsNamed) {
  fs.processList = GetParam().processes;
  const bool idle = form.CheckRunApp();

  EXPECT_EQ(idle, GetParam().conflicts.empty());
  const Text conflictLine = u"Wykryto konfliktową aplikację: ";
  std::vector<Text> conflicts;
  for (const auto& l : newLines()) {
    if (l.rfind(conflictLine, 0) == 0) conflicts.push_back(l.substr(conflictLine.size()));
  }
  EXPECT_EQ(utf8(conflicts), utf8(GetParam().conflicts));
  EXPECT_EQ(countNew(u"Nie znaleziono uruchomionej applikacji CAD."), idle ? 1 : 0);
  const Text expectedLabel =
      GetParam().conflicts.empty()
          ? u""
          : u"Wyłącz program " + GetParam().conflicts.back() + u" i spróbuj ponownie.";
  EXPECT_EQ(window.infoLabel(), expectedLabel);
}

INSTANTIATE_TEST_SUITE_P(
    Processes, RunningHostTest,
    testing::Values(HostCase{"none", {}, {}},
                    HostCase{"word_inside_the_name",
                             {{1, u"explorer.exe"}, {2, u"arcade.exe"}},
                             {u"arcade.exe"}},
                    HostCase{"exempt_name", {{1, u"lumicad.exe"}}, {}},
                    HostCase{"exemption_is_exact", {{1, u"LUMICAD.EXE"}}, {u"LUMICAD.EXE"}},
                    HostCase{"host_without_the_word", {{1, u"VirelaPro.exe"}}, {u"VirelaPro.exe"}},
                    HostCase{"host_name_is_exact", {{1, u"virelapro.exe"}}, {}},
                    HostCase{"two_conflicts",
                             {{1, u"CADview.exe"}, {2, u"svchost.exe"}, {3, u"arcade.exe"}},
                             {u"CADview.exe", u"arcade.exe"}},
                    // The installer itself may carry the word in its file name.
                    HostCase{"own_process", {{4242, u"Biblioteka CAD.exe"}}, {}},
                    HostCase{"same_name_other_process",
                             {{4242, u"Biblioteka CAD.exe"}, {7, u"Biblioteka CAD.exe"}},
                             {u"Biblioteka CAD.exe"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreconditionTest, ProcessWalkLogsEveryProcessWithThePositionOfTheWord) {
  fs.processList = {
      {1, u"xcAd.exe"}, {2, u"lumicad.exe"}, {3, u"explorer.exe"}, {4, u"VirelaPro.exe"}};
  EXPECT_FALSE(form.CheckRunApp());
  EXPECT_EQ(utf8(newLines()), utf8({u"Sprawdzamy uruchomienie applikacji CAD.",
                                    u"Znaleziona w pamięci aplikację: xcAd.exe : 2",
                                    u"Wykryto konfliktową aplikację: xcAd.exe",
                                    u"Znaleziona w pamięci aplikację: lumicad.exe : 5",
                                    u"Znaleziona w pamięci aplikację: explorer.exe : 0",
                                    u"Znaleziona w pamięci aplikację: VirelaPro.exe : 0",
                                    u"Wykryto konfliktową aplikację: VirelaPro.exe",
                                    u"Wyłącz program VirelaPro.exe i spróbuj ponownie."}));
}

// A snapshot that cannot be taken tells nothing about the host: the check refuses with the
// system's reason, as it would for a running host.
TEST(RunningHostErrorTest, AProcessListThatCannotBeReadRefusesWithItsReason) {
  fake::FakePlatform fs;
  fs.shouldFail = [](Op op, const Text&) { return op == Op::Processes; };
  const Text message =
      u"Nie można odczytać listy uruchomionych programów. " + fake::kInjectedReason;
  std::vector<Text> important;
  const logs::Log log(logs::IMPORTANT,
                      [&](int32_t, const Text& line) { important.push_back(line); });

  EXPECT_EQ(target::checkNoRunningHost(fs, log),
            (target::Refusal{target::Refusal::Reason::ProcessListUnreadable, message}));
  EXPECT_EQ(important, std::vector<Text>{message});
}

// ---------------------------------------------------------------- the check before an install

struct BlockerCase {
  const char* name;
  Text field;
  bool databaseHeld;
  std::vector<plat::ProcessEntry> processes;
  std::optional<target::Refusal> blocker;
  bool interruptedInstall = false;  // a backup of an interrupted install lies in the folder
};

void PrintTo(const BlockerCase& c, std::ostream* os) {
  *os << c.name;
}

class InstallBlockerTest : public PreconditionTest,
                           public testing::WithParamInterface<BlockerCase> {};

TEST_P(InstallBlockerTest, TellsWhatStopsTheInstallWithoutALogLine) {
  fs.writeFile(kDatabase, "db");
  fs.holdOpen(kDatabase, GetParam().databaseHeld);
  fs.processList = GetParam().processes;
  if (GetParam().interruptedInstall) fs.writeFile(kPackageFolder + u"dodatki_old.mdb", "old");
  mark();

  EXPECT_EQ(target::installBlocker(fs, GetParam().field, u"Pakiet"), GetParam().blocker);

  EXPECT_TRUE(newLines().empty()) << testing::PrintToString(utf8(newLines()));
  EXPECT_EQ(fs.readFile(kDatabase), "db");
  EXPECT_FALSE(fs.fileExists(kSide));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallBlockerTest,
    testing::Values(
        BlockerCase{"all_clear", kHost, false, {{1, u"explorer.exe"}}, std::nullopt},
        BlockerCase{"no_library_folder", u"C:\\Nordeka\\", false, {}, kNoInstallation},
        // The install uses the folder without the blanks.
        BlockerCase{"blanks_around_field", u"  " + kHost + u" ", false, {}, std::nullopt},
        BlockerCase{"field_without_separator", u"C:\\Nordeka\\CAD A", false, {}, kNoInstallation},
        BlockerCase{"database_held", kHost, true, {}, kHeldRefusal},
        BlockerCase{"host_running",
                    kHost,
                    false,
                    {{1, u"arcade.exe"}, {2, u"CADx.exe"}},
                    target::Refusal{target::Refusal::Reason::HostRunning,
                                    u"Wyłącz program CADx.exe i spróbuj ponownie."}},
        BlockerCase{"own_process", kHost, false, {{4242, u"CAD instalator.exe"}}, std::nullopt},
        // A backup an interrupted install left may be the host's only database.
        BlockerCase{"interrupted_install",
                    kHost,
                    false,
                    {},
                    target::Refusal{target::Refusal::Reason::InterruptedInstall,
                                    u"Znaleziono plik dodatki_old.mdb z przerwanej instalacji. "
                                    u"Przenieś go w bezpieczne miejsce i spróbuj ponownie."},
                    true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreconditionTest, InstallBlockerGivesTheDatabaseOfAnInterruptedCheckBack) {
  fs.writeFile(kSide, "db");
  EXPECT_EQ(target::installBlocker(fs, kHost, u"Pakiet"), std::nullopt);
  EXPECT_EQ(fs.readFile(kDatabase), "db");
  EXPECT_FALSE(fs.fileExists(kSide));
}

}  // namespace
}  // namespace targettest
