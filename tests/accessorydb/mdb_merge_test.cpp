// Merging a package's accessory database with the previous one: the outcome for every kind of
// key, the order of the rows, the trace, and the failures.
#include "accessorydb/mdb_merge.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "accessorydb/connection_strings.h"
#include "accessorydb/error_text.h"
#include "accessorydb/jet/ado.h"
#include "tests/accessorydb/accessory_db.h"
#include "tests/accessorydb/step_fixture.h"
#include "tests/accessorydb/test_print.h"

namespace accdbtest {
namespace {

using jet::Null;
using text::Text;

const Text kNew = u"C:\\P\\dodatki_new.mdb";
const Text kOld = u"C:\\P\\dodatki_old.mdb";
const Text kDest = u"C:\\P\\dodatki.mdb";

Text t(const char16_t* s) {
  return Text(s);
}

class Merge : public StepTest {
 protected:
  Merge() { fs.mkdirs(u"C:\\P"); }

  // Writes the sources, merges them into a new kDest and returns what it holds.
  Content merge(const Content& package, const std::optional<Content>& previous) {
    writeDatabase(fs, kNew, package);
    if (previous) writeDatabase(fs, kOld, *previous);
    const std::string newBytes = fs.readFile(kNew);
    const std::string oldBytes = previous ? fs.readFile(kOld) : "";
    EXPECT_TRUE(accessorydb::mergeDatabases(fs, {kNew, kOld, kDest}, log()).merged())
        << text::toUtf8(lastImportant);
    EXPECT_EQ(fs.readFile(kNew), newBytes) << "the package's database is only read";
    if (previous) {
      EXPECT_EQ(fs.readFile(kOld), oldBytes) << "the previous database is only read";
    }
    return readDatabase(fs, kDest);
  }
};

struct Case {
  const char* name;
  std::optional<Content> previous;
  Content package;
  Content merged;
};

// One case per outcome of a key, for both tables; tags tell which database a row comes from.
const Case kCases[] = {
    {"PackageRowReplacesPreviousRow",
     Content{{producer(t(u"A"), t(u"stary"), u"old")}, {item(int32_t{1}, t(u"a"), u"old")}},
     Content{{producer(t(u"A"), t(u"nowy"), u"new")}, {item(int32_t{1}, t(u"b"), u"new")}},
     Content{{producer(t(u"A"), t(u"nowy"), u"new")}, {item(int32_t{1}, t(u"b"), u"new")}}},
    {"PreviousRowThePackageLacksStays",
     Content{{producer(t(u"A"), t(u"x"), u"old")}, {item(int32_t{1}, t(u"a"), u"old")}},
     Content{{producer(t(u"B"), t(u"y"), u"new")}, {item(int32_t{2}, t(u"b"), u"new")}},
     Content{{producer(t(u"A"), t(u"x"), u"old"), producer(t(u"B"), t(u"y"), u"new")},
             {item(int32_t{1}, t(u"a"), u"old"), item(int32_t{2}, t(u"b"), u"new")}}},
    {"MarkerDeletesPreviousRowAndIsNotCopied",
     Content{{producer(t(u"A"), t(u"x"), u"old")}, {item(int32_t{1}, t(u"a"), u"old")}},
     Content{{producer(t(u"A"), t(u"DELETE"), u"new"), producer(t(u"B"), t(u"DELETE"), u"new")},
             {item(int32_t{1}, t(u"DELETE"), u"new"), item(int32_t{2}, t(u"DELETE"), u"new")}},
     Content{}},
    {"MarkerInPreviousDatabaseStaysOnlyForManufacturers",
     Content{{producer(t(u"A"), t(u"DELETE"), u"old")}, {item(int32_t{1}, t(u"DELETE"), u"old")}},
     Content{}, Content{{producer(t(u"A"), t(u"DELETE"), u"old")}, {}}},
    {"WithoutPreviousDatabaseEachPackageKeyOnceWithoutMarkers", std::nullopt,
     Content{{producer(t(u"A"), t(u"x"), u"1"), producer(t(u"B"), t(u"DELETE"), u"2"),
              producer(t(u"A"), t(u"y"), u"3")},
             {item(int32_t{3}, t(u"c"), u"1"), item(int32_t{1}, t(u"DELETE"), u"2"),
              item(int32_t{2}, Null{}, u"3")}},
     Content{{producer(t(u"A"), t(u"x"), u"1")},
             {item(int32_t{3}, t(u"c"), u"1"), item(int32_t{2}, Null{}, u"3")}}},
    {"FirstPackageRowOfAKeyWinsForEveryPreviousRow",
     Content{{producer(t(u"A"), t(u"o1"), u"old"), producer(t(u"A"), t(u"o2"), u"old")}, {}},
     Content{{producer(t(u"A"), t(u"n1"), u"new"), producer(t(u"A"), t(u"n2"), u"new")}, {}},
     Content{{producer(t(u"A"), t(u"n1"), u"new"), producer(t(u"A"), t(u"n1"), u"new")}, {}}},
    {"LaterPackageRowAfterAMarkerComesBackInTheSecondPass",
     Content{{producer(t(u"A"), t(u"o"), u"old")}, {}},
     Content{{producer(t(u"A"), t(u"DELETE"), u"new"), producer(t(u"A"), t(u"n"), u"new")}, {}},
     Content{{producer(t(u"A"), t(u"n"), u"new")}, {}}},
    {"OnlyTheExactUpperCaseWordIsAMarker",
     Content{{producer(t(u"A"), t(u"x"), u"old")},
             {item(int32_t{1}, t(u"a"), u"old"), item(int32_t{2}, t(u"a"), u"old")}},
     Content{{producer(t(u"A"), t(u"delete"), u"new"), producer(t(u"B"), t(u"DELETE "), u"new")},
             {item(int32_t{1}, t(u"delete"), u"new"), item(int32_t{2}, t(u"DELETE "), u"new"),
              item(int32_t{3}, t(u"Delete"), u"new")}},
     Content{{producer(t(u"A"), t(u"delete"), u"new"), producer(t(u"B"), t(u"DELETE "), u"new")},
             {item(int32_t{1}, t(u"delete"), u"new"), item(int32_t{2}, t(u"DELETE "), u"new"),
              item(int32_t{3}, t(u"Delete"), u"new")}}},
    {"KeysDifferingInCaseAreDifferentKeys", Content{{producer(t(u"Meblar"), t(u"x"), u"old")}, {}},
     Content{
         {producer(t(u"MEBLAR"), t(u"y"), u"new"), producer(t(u"meblar"), t(u"DELETE"), u"new")},
         {}},
     Content{{producer(t(u"Meblar"), t(u"x"), u"old"), producer(t(u"MEBLAR"), t(u"y"), u"new")},
             {}}},
    {"PreviousRowsFirstInTheirOrderThenNewPackageRowsInTheirs",
     Content{{producer(t(u"C"), t(u"c"), u"old"), producer(t(u"A"), t(u"a"), u"old")},
             {item(int32_t{5}, t(u"e"), u"old"), item(int32_t{3}, t(u"c"), u"old"),
              item(int32_t{9}, t(u"i"), u"old")}},
     Content{{producer(t(u"B"), t(u"b"), u"new"), producer(t(u"A"), t(u"a"), u"new")},
             {item(int32_t{3}, t(u"c"), u"new"), item(int32_t{7}, t(u"g"), u"new"),
              item(int32_t{5}, t(u"e"), u"new"), item(int32_t{1}, t(u"a"), u"new")}},
     Content{{producer(t(u"C"), t(u"c"), u"old"), producer(t(u"A"), t(u"a"), u"new"),
              producer(t(u"B"), t(u"b"), u"new")},
             {item(int32_t{5}, t(u"e"), u"new"), item(int32_t{3}, t(u"c"), u"new"),
              item(int32_t{9}, t(u"i"), u"old"), item(int32_t{7}, t(u"g"), u"new"),
              item(int32_t{1}, t(u"a"), u"new")}}},
    {"NullManufacturerMatchesOnlyNull",
     Content{{producer(Null{}, t(u"o"), u"old"), producer(t(u""), t(u"e"), u"old")}, {}},
     Content{{producer(t(u""), t(u"n"), u"new"), producer(Null{}, t(u"m"), u"new")}, {}},
     Content{{producer(Null{}, t(u"m"), u"new"), producer(t(u""), t(u"n"), u"new")}, {}}},
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class MergeOutcome : public Merge, public testing::WithParamInterface<Case> {};

TEST_P(MergeOutcome, MergedRows) {
  EXPECT_EQ(merge(GetParam().package, GetParam().previous), GetParam().merged);
}

INSTANTIATE_TEST_SUITE_P(Keys, MergeOutcome, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST_F(Merge, TraceOfASmallMerge) {
  const Content previous{{producer(t(u"Meblar"), t(u"o"))},
                         {item(int32_t{1}, t(u"a")), item(int32_t{2}, t(u"DELETE"))}};
  const Content package{
      {producer(t(u"Meblar"), t(u"n")), producer(t(u"Inny"), t(u"DELETE"))},
      {item(int32_t{2}, t(u"b")), item(int32_t{1}, t(u"DELETE")), item(int32_t{3}, Null{})}};
  const Content merged = merge(package, previous);
  EXPECT_EQ(merged, (Content{{producer(t(u"Meblar"), t(u"n"))},
                             {item(int32_t{2}, t(u"b")), item(int32_t{3}, Null{})}}));
  const std::vector<Text> expected = {
      u"Brak pliku docelowego. Tworzymy nowy.",
      u"Tworzenie pliku bazy danych.",
      u"Tworzenie tabeli `info_roducent`",
      u"Tworzenie tabeli `Dodatki`",
      u"Utworzono pustą bazę danych.",
      u"Znaleniono oba istniejące pliki z dazą danych.",
      u"Tworzymy połączenie do C:\\P\\dodatki.mdb",
      u"Tworzymy połączenie do C:\\P\\dodatki_old.mdb",
      u"Tworzymy połączenie do C:\\P\\dodatki_new.mdb",
      u"[Meblar] : o",
      u"Meblar : Meblar",
      u"Przenosimy z dodatki_new.mdb",
      u"[NW] Meblar",
      u"[DN] Meblar",
      u"[NW] Inny",
      u"[1] : a",
      u"2 : 1",
      u"1 : 1",
      u"[2] : DELETE",
      u"2 : 2",
      u"Przenosimy dodatki z dodatki_new.mdb",
      u"[NW] 2 : b - dopisano",
      u"[DN] 2",
      u"[NW] 3 :  - dopisano",
      u"[DN] 2",
      u"Poprawnie przeniesiono dane.",
  };
  EXPECT_EQ(lines, expected);
}

// A null manufacturer is traced as empty text and merged like any other key.
TEST_F(Merge, NullManufacturerIsTracedAsEmptyText) {
  const Content merged =
      merge({{producer(Null{}, t(u"n"))}, {}}, Content{{producer(Null{}, t(u"o"))}, {}});
  EXPECT_EQ(merged, (Content{{producer(Null{}, t(u"n"))}, {}}));
  // The last lines of the manufacturers' merge, up to the items' heading.
  const std::vector<Text> expected = {u"[] : o", u" : ",   u"Przenosimy z dodatki_new.mdb",
                                      u"[NW] ",  u"[DN] ", u"Przenosimy dodatki z dodatki_new.mdb"};
  ASSERT_GE(lines.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<Text>(lines.end() - 7, lines.end() - 1), expected);
}

TEST_F(Merge, AtTheNormalLevelASuccessfulMergeLogsNothing) {
  level = logs::IMPORTANT;
  merge({{producer(t(u"A"), t(u"n"))}, {item(int32_t{1}, t(u"a"))}},
        Content{{producer(t(u"A"), t(u"o"))}, {item(int32_t{2}, t(u"b"))}});
  EXPECT_TRUE(lines.empty());
}

TEST_F(Merge, AnExistingDestinationKeepsItsRowsAndGetsTheMergedOnes) {
  writeDatabase(fs, kDest,
                {{producer(t(u"A"), t(u"dn"), u"dn")}, {item(int32_t{9}, t(u"z"), u"dn")}});
  const Content merged =
      merge({{producer(t(u"A"), t(u"n"), u"new")}, {item(int32_t{1}, t(u"a"), u"new")}},
            Content{{}, {item(int32_t{2}, t(u"b"), u"old")}});
  EXPECT_EQ(merged, (Content{{producer(t(u"A"), t(u"dn"), u"dn")},
                             {item(int32_t{9}, t(u"z"), u"dn"), item(int32_t{2}, t(u"b"), u"old"),
                              item(int32_t{1}, t(u"a"), u"new")}}));
  EXPECT_EQ(lines.front(), u"Znaleniono oba istniejące pliki z dazą danych.");
}

// A row the destination refuses fails the merge: its message is shown as it is, the
// destination goes, and both sources are free again (the install deletes or renames them).
TEST_F(Merge, ADuplicateIdInAnExistingDestinationFailsAndDeletesIt) {
  writeDatabase(fs, kDest, {{}, {item(int32_t{1}, t(u"z"))}});
  writeDatabase(fs, kNew, {{}, {}});
  writeDatabase(fs, kOld, {{}, {item(int32_t{1}, t(u"a"))}});
  const std::string newBytes = fs.readFile(kNew);
  const std::string oldBytes = fs.readFile(kOld);
  level = logs::IMPORTANT;
  EXPECT_FALSE(accessorydb::mergeDatabases(fs, {kNew, kOld, kDest}, log()).merged());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_FALSE(lines[0].empty());
  EXPECT_EQ(lastImportant, lines[0]);
  EXPECT_FALSE(fs.fileExists(kDest));
  EXPECT_EQ(fs.readFile(kNew), newBytes);
  EXPECT_EQ(fs.readFile(kOld), oldBytes);
  EXPECT_TRUE(fs.moveFile(kOld, kDest)) << "the previous database is not held open";
  EXPECT_TRUE(fs.deleteFile(kNew)) << "the package's database is not held open";
}

TEST_F(Merge, AnUnreadablePackageDatabaseFailsWithTheEnginesCauseInPolish) {
  fs.writeFile(kNew, std::string(4096, 'x'));
  std::string cause;
  try {
    jet::ado::Connection c(fs);
    c.ConnectionString = accessorydb::openConnectionString(kNew);
    c.open();
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.kind(), jet::ErrorKind::NotJet4);
    cause = text::toUtf8(accessorydb::errorText(e));
  }
  ASSERT_FALSE(cause.empty());
  EXPECT_FALSE(accessorydb::mergeDatabases(fs, {kNew, kOld, kDest}, log()).merged());
  EXPECT_EQ(text::toUtf8(lines.back()), cause);
  EXPECT_EQ(text::toUtf8(lastImportant), cause);
  EXPECT_FALSE(fs.fileExists(kDest));
  EXPECT_TRUE(fs.deleteFile(kNew));
}

TEST_F(Merge, MissingPackageDatabaseLeavesTheNewEmptyDestination) {
  level = logs::IMPORTANT;
  EXPECT_FALSE(accessorydb::mergeDatabases(fs, {kNew, kOld, kDest}, log()).merged());
  EXPECT_EQ(lines, std::vector<Text>{u"Brak pliku: " + kNew});
  EXPECT_EQ(readDatabase(fs, kDest), Content{});
}

TEST_F(Merge, DestinationThatCannotBeCreatedStopsBeforeAnythingIsOpened) {
  writeDatabase(fs, kNew, {{}, {item(int32_t{1}, t(u"a"))}});
  const Text dest = u"C:\\brak\\dodatki.mdb";
  level = logs::IMPORTANT;
  EXPECT_FALSE(accessorydb::mergeDatabases(fs, {kNew, kOld, dest}, log()).merged());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind(u"[Błąd tworzenia bazy danych MDB.] ", 0), 0u);
  EXPECT_EQ(lines[1], u"Błąd tworzenia pliku docelowego: " + dest);
  EXPECT_TRUE(fs.deleteFile(kNew));
}

// The step itself names each way a merge fails; the engine's message comes with its failure.
TEST(MergeResult, EachFailureIsNamed) {
  using accessorydb::Merge;
  struct Case {
    const char* name;
    Text destination;
    bool package;
    Merge::Result result;
  } cases[] = {
      {"no package", kDest, false, Merge::Result::PackageMissing},
      {"no folder for the destination", u"C:\\brak\\dodatki.mdb", true, Merge::Result::NotCreated},
      {"a refused row", kDest, true, Merge::Result::Failed}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::FakePlatform fs;
    fs.mkdirs(u"C:\\P");
    if (c.package) writeDatabase(fs, kNew, {{}, {}});
    // The previous database and the destination share an ID.
    writeDatabase(fs, kOld, {{}, {item(int32_t{1}, t(u"a"))}});
    if (c.result == Merge::Result::Failed)
      writeDatabase(fs, kDest, {{}, {item(int32_t{1}, t(u"z"))}});
    Text lastImportant;
    const logs::Log log(logs::IMPORTANT,
                        [&](logs::Level, const Text& line) { lastImportant = line; });
    const Merge merge = accessorydb::mergeDatabases(fs, {kNew, kOld, c.destination}, log);
    EXPECT_EQ(merge.result, c.result);
    EXPECT_FALSE(merge.merged());
    EXPECT_EQ(merge.cause, c.result == Merge::Result::Failed ? lastImportant : Text());
  }
}

// An error the engine does not name, thrown while the previous database is read, takes the same
// clean-up as the engine's: the files are let go of, the destination goes, the cause is logged.
TEST(MergeResult, AnyErrorTakesTheCleanUpAndIsLogged) {
  using accessorydb::Merge;
  for (const accdbtest::UnexpectedError& c : accdbtest::unexpectedErrors()) {
    SCOPED_TRACE(c.name);
    fake::FakePlatform fs;
    fs.mkdirs(u"C:\\P");
    writeDatabase(fs, kNew, {{}, {item(int32_t{1}, t(u"a"))}});
    writeDatabase(fs, kOld, {{}, {item(int32_t{2}, t(u"b"))}});
    fs.shouldFail = [&](fake::Op op, const Text& path) {
      if (op == fake::Op::Read && path == kOld) c.raise();
      return false;
    };
    std::vector<std::pair<int32_t, Text>> lines;
    const logs::Log log(logs::DEBUG, [&](logs::Level level, const Text& line) {
      lines.push_back({level, line});
    });
    Merge merge;
    ASSERT_NO_THROW(merge = accessorydb::mergeDatabases(fs, {kNew, kOld, kDest}, log));
    fs.shouldFail = nullptr;
    EXPECT_EQ(merge.result, Merge::Result::Failed);
    EXPECT_EQ(merge.cause, c.cause);
    ASSERT_GE(lines.size(), c.lines.size());
    const std::vector<std::pair<int32_t, Text>> last(
        lines.end() - static_cast<std::ptrdiff_t>(c.lines.size()), lines.end());
    EXPECT_EQ(last, c.lines);
    EXPECT_FALSE(fs.fileExists(kDest));
    EXPECT_TRUE(fs.moveFile(kOld, kDest)) << "the previous database is not held open";
    EXPECT_TRUE(fs.deleteFile(kNew)) << "the package's database is not held open";
  }
}

// Both sources are only read, so read-only files merge like any others.
TEST_F(Merge, ReadOnlySourceFilesAreMerged) {
  writeDatabase(fs, kNew, {{}, {item(int32_t{1}, t(u"a"), u"new")}});
  writeDatabase(fs, kOld, {{}, {item(int32_t{2}, t(u"b"), u"old")}});
  fs.setReadOnly(kNew);
  fs.setReadOnly(kOld);
  EXPECT_TRUE(accessorydb::mergeDatabases(fs, {kNew, kOld, kDest}, log()).merged())
      << text::toUtf8(lastImportant);
  EXPECT_EQ(readDatabase(fs, kDest),
            (Content{{}, {item(int32_t{2}, t(u"b"), u"old"), item(int32_t{1}, t(u"a"), u"new")}}));
}

// The install merges once per run; a second merge on the same window still works.
TEST_F(Merge, ASecondMergeOnTheSameWindowWorks) {
  merge({{}, {item(int32_t{1}, t(u"a"))}}, std::nullopt);
  ASSERT_TRUE(fs.deleteFile(kDest));
  EXPECT_TRUE(accessorydb::mergeDatabases(fs, {kNew, kOld, kDest}, log()).merged());
  EXPECT_EQ(readDatabase(fs, kDest), (Content{{}, {item(int32_t{1}, t(u"a"))}}));
}

}  // namespace
}  // namespace accdbtest
