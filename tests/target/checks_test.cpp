// The install preconditions at their own layer: the database access test, the running-host rule
// and the silent check an install makes before it starts, each with the lines it logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "target/preconditions.h"
#include "tests/support/fake_platform.h"
#include "tests/target/target_paths.h"

namespace targettest {
namespace {

using fake::Op;

const target::Refusal kHeldRefusal{target::Refusal::Reason::DatabaseInUse, kHeld};
const target::Refusal kNoInstallation{
    target::Refusal::Reason::NoInstallation,
    u"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."};

class ChecksTest : public testing::Test {
 protected:
  fake::FakePlatform fs;
  std::vector<Text> lines;
  Text lastImportant;
  const logs::Log log{logs::DEBUG, [this](logs::Level level, const Text& line) {
                        lines.push_back(line);
                        if (level == logs::IMPORTANT) lastImportant = line;
                      }};

  void SetUp() override { fs.mkdirs(kPackageFolder); }
  int count(const Text& line) const {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
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

class DatabaseTest : public ChecksTest, public testing::WithParamInterface<DatabaseCase> {
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

  const auto refusal = target::checkPreconditions(fs, kHost, kPackage, log);

  EXPECT_EQ(refusal, c.passes ? std::nullopt : std::optional(kHeldRefusal));
  EXPECT_EQ(lastImportant, c.passes ? u"" : kHeld);
  EXPECT_EQ(contents(kDatabase), c.databaseAfter);
  EXPECT_EQ(contents(kSide), c.sideAfter);
  // A failed test looks at no process.
  EXPECT_EQ(count(u"Sprawdzamy uruchomienie applikacji CAD."), c.passes ? 1 : 0);
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

TEST_F(ChecksTest, StaleCopyIsReportedBeforeTheTest) {
  fs.writeFile(kDatabase, "db");
  fs.writeFile(kSide, "stale");
  EXPECT_EQ(target::checkDatabase(fs, kHost, kPackage, log), std::nullopt);
  EXPECT_EQ(utf8(lines),
            utf8({u"Sprawdzamy dostęp do pliku: " + kDatabase,
                  u"Kasujemy poprzednią kopię pliku dodatki.mdb", u"Dostęp do MDB poprawny"}));
}

TEST_F(ChecksTest, FirstInstallRenamesNothing) {
  EXPECT_EQ(target::checkPreconditions(fs, kHost, kPackage, log), std::nullopt);
  EXPECT_EQ(fs.opCount[Op::Move], 0);
}

// One failed attempt on the way back (a scanner holding the renamed file for a moment) is
// retried.
TEST_F(ChecksTest, OneFailedWayBackIsRetried) {
  fs.writeFile(kDatabase, "db");
  int failures = 0;
  fs.shouldFail = [&](Op op, const Text& from) {
    return op == Op::Move && from == kSide && failures++ == 0;
  };
  EXPECT_EQ(target::checkDatabase(fs, kHost, kPackage, log), std::nullopt);
  EXPECT_EQ(fs.readFile(kDatabase), "db");
  EXPECT_FALSE(fs.fileExists(kSide));
}

// Should the database not get its name back, the install would take it for a first install.
TEST_F(ChecksTest, FailedWayBackFailsTheTestAndTheNextCheckRepairsIt) {
  fs.writeFile(kDatabase, "db");
  fs.shouldFail = [](Op op, const Text& from) { return op == Op::Move && from == kSide; };
  EXPECT_EQ(target::checkDatabase(fs, kHost, kPackage, log), kHeldRefusal);
  EXPECT_EQ(lastImportant, kHeld);
  // The debug log says why.
  EXPECT_EQ(count(u"Brak dostępu do pliku " + kDatabase + u". " + fake::kInjectedReason), 1);

  fs.shouldFail = nullptr;
  EXPECT_EQ(target::checkDatabase(fs, kHost, kPackage, log), std::nullopt);
  EXPECT_EQ(fs.readFile(kDatabase), "db");
  EXPECT_FALSE(fs.fileExists(kSide));
}

TEST_F(ChecksTest, PathsComeFromTheTrimmedField) {
  EXPECT_EQ(target::checkDatabase(fs, u"  " + kHost + u" ", kPackage, log), std::nullopt);
  EXPECT_EQ(lines.at(0), u"Sprawdzamy dostęp do pliku: " + kDatabase);
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

class RunningHostTest : public ChecksTest, public testing::WithParamInterface<HostCase> {};

TEST_P(RunningHostTest, ConflictsBlockAndTheLastOneIsNamed) {
  fs.processList = GetParam().processes;
  const bool idle = !target::checkNoRunningHost(fs, log);

  EXPECT_EQ(idle, GetParam().conflicts.empty());
  const Text conflictLine = u"Wykryto konfliktową aplikację: ";
  std::vector<Text> conflicts;
  for (const auto& l : lines) {
    if (l.rfind(conflictLine, 0) == 0) conflicts.push_back(l.substr(conflictLine.size()));
  }
  EXPECT_EQ(utf8(conflicts), utf8(GetParam().conflicts));
  EXPECT_EQ(count(u"Nie znaleziono uruchomionej applikacji CAD."), idle ? 1 : 0);
  const Text expectedLabel =
      GetParam().conflicts.empty()
          ? u""
          : u"Wyłącz program " + GetParam().conflicts.back() + u" i spróbuj ponownie.";
  EXPECT_EQ(lastImportant, expectedLabel);
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

TEST_F(ChecksTest, ProcessWalkLogsEveryProcessWithThePositionOfTheWord) {
  fs.processList = {
      {1, u"xcAd.exe"}, {2, u"lumicad.exe"}, {3, u"explorer.exe"}, {4, u"VirelaPro.exe"}};
  EXPECT_TRUE(target::checkNoRunningHost(fs, log));
  EXPECT_EQ(utf8(lines), utf8({u"Sprawdzamy uruchomienie applikacji CAD.",
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
                      [&](logs::Level, const Text& line) { important.push_back(line); });

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

class InstallBlockerTest : public ChecksTest, public testing::WithParamInterface<BlockerCase> {};

TEST_P(InstallBlockerTest, TellsWhatStopsTheInstallWithoutALogLine) {
  fs.writeFile(kDatabase, "db");
  fs.holdOpen(kDatabase, GetParam().databaseHeld);
  fs.processList = GetParam().processes;
  if (GetParam().interruptedInstall) fs.writeFile(kPackageFolder + u"dodatki_old.mdb", "old");

  EXPECT_EQ(target::installBlocker(fs, GetParam().field, kPackage), GetParam().blocker);

  EXPECT_TRUE(lines.empty()) << testing::PrintToString(utf8(lines));
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

TEST_F(ChecksTest, InstallBlockerGivesTheDatabaseOfAnInterruptedCheckBack) {
  fs.writeFile(kSide, "db");
  EXPECT_EQ(target::installBlocker(fs, kHost, kPackage), std::nullopt);
  EXPECT_EQ(fs.readFile(kDatabase), "db");
  EXPECT_FALSE(fs.fileExists(kSide));
}

}  // namespace
}  // namespace targettest
