// The package folder's changes, called directly: the plan of what unpacking will replace, add
// and make, and how rolling back and finishing leave the folder, one row per starting folder.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "install/install_journal.h"
#include "install/library_changes.h"
#include "tests/support/fake_platform.h"
#include "tests/support/utf8_lines.h"

namespace {

using text::Text;

const Text kHost = u"C:\\Nordeka\\CAD A\\";

struct ChangeCase {
  const char* name;
  std::map<Text, std::string> before;  // the package folder's files, relative to it
  std::vector<Text> entries;           // what the package unpacks, relative to the library
  install::LibraryPlan plan;
};

// Every file and folder below the library folder, with the files' bytes. Names in lower case:
// a file put back takes the spelling the package gives it, which Windows does not tell apart.
std::map<Text, std::string> libraryState(fake::FakePlatform& fs, const Text& library) {
  std::map<Text, std::string> state;
  for (const Text& path : fs.listFiles(library)) state[text::lowerAscii(path)] = fs.readFile(path);
  for (const Text& path : fs.listFolders(library)) state[text::lowerAscii(path) + u"\\"] = "folder";
  return state;
}

struct LibraryChanges : testing::TestWithParam<ChangeCase> {
  LibraryChanges() {
    fs.mkdirs(paths.library);
    for (const auto& [name, bytes] : GetParam().before) {
      const Text path = paths.package + name;
      fs.mkdirs(path.substr(0, path.find_last_of(u'\\')));
      fs.writeFile(path, bytes);
    }
    for (const Text& entry : GetParam().entries) {
      targets.push_back(zipkit::entryTarget(paths.library, entry));
    }
  }

  // What the install transaction does between the journal and its commit: the files set aside,
  // the previous database backed up, the package unpacked.
  void change(const install::LibraryPlan& plan) {
    ASSERT_TRUE(install::beginChanges(fs, paths, plan, log));
    ASSERT_TRUE(install::setAside(fs, paths, plan, log));
    if (plan.databaseExisted) {
      ASSERT_TRUE(fs.moveFile(paths.database, paths.backup));
    }
    for (const zipkit::EntryTarget& t : targets) {
      fs.mkdirs(t.isFolder ? t.path : t.parentDir);
      if (!t.isFolder) {
        fs.writeFile(t.path, "new " + text::toUtf8(t.path));
      }
    }
  }

  fake::FakePlatform fs;
  target::PackagePaths paths = target::packagePaths(kHost, u"P");
  std::vector<zipkit::EntryTarget> targets;
  std::vector<Text> lines;
  logs::Log log{logs::DEBUG, [this](logs::Level, const Text& l) { lines.push_back(l); }};
};

TEST_P(LibraryChanges, PlanListsWhatUnpackingChanges) {
  EXPECT_EQ(install::planChanges(fs, paths, targets), GetParam().plan);
}

TEST_P(LibraryChanges, RollBackLeavesTheFolderAsItWas) {
  const auto before = libraryState(fs, paths.library);
  const install::LibraryPlan plan = install::planChanges(fs, paths, targets);
  change(plan);
  ASSERT_NE(libraryState(fs, paths.library), before);
  EXPECT_TRUE(install::rollBackChanges(fs, paths, plan, log))
      << testing::PrintToString(testsupport::utf8(lines));
  EXPECT_EQ(libraryState(fs, paths.library), before);
}

// The same rollback from the journal alone, as the next start does after a run was cut short.
TEST_P(LibraryChanges, RollBackFromTheJournalLeavesTheFolderAsItWas) {
  const auto before = libraryState(fs, paths.library);
  change(install::planChanges(fs, paths, targets));
  const install::Journal journal = install::readJournal(fs, paths.journal);
  ASSERT_TRUE(journal.plan);
  EXPECT_FALSE(journal.committed);
  EXPECT_TRUE(install::rollBackChanges(fs, paths, *journal.plan, log));
  EXPECT_EQ(libraryState(fs, paths.library), before);
}

TEST_P(LibraryChanges, FinishKeepsThePackageAndDropsTheRest) {
  const install::LibraryPlan plan = install::planChanges(fs, paths, targets);
  change(plan);
  ASSERT_TRUE(install::finishChanges(fs, paths, plan, log))
      << testing::PrintToString(testsupport::utf8(lines));
  for (const zipkit::EntryTarget& t : targets) {
    if (!t.isFolder) {
      EXPECT_EQ(fs.readFile(t.path), "new " + text::toUtf8(t.path));
    }
  }
  EXPECT_FALSE(fs.fileExists(paths.backup));
  EXPECT_FALSE(fs.fileExists(paths.journal));
  EXPECT_FALSE(fs.directoryExists(paths.setAside));
  for (const auto& [name, bytes] : GetParam().before) {
    EXPECT_TRUE(fs.fileExists(paths.package + name)) << text::toUtf8(name);
  }
}

using install::LibraryPlan;

INSTANTIATE_TEST_SUITE_P(
    Folders, LibraryChanges,
    testing::Values(
        ChangeCase{"first_install",
                   {},
                   {u"P\\dodatki.mdb", u"P\\tekstury\\a.jpg", u"P\\model.dwg"},
                   LibraryPlan{false, true, {u"tekstury"}, {}, {u"tekstury\\a.jpg", u"model.dwg"}}},
        ChangeCase{"update_replacing_a_file",
                   {{u"dodatki.mdb", "old db"}, {u"model.dwg", "v1"}, {u"own.txt", "host's"}},
                   {u"P\\dodatki.mdb", u"P\\model.dwg", u"P\\nowy.dwg"},
                   LibraryPlan{true, false, {}, {u"model.dwg"}, {u"nowy.dwg"}}},
        ChangeCase{"new_folders_below_an_old_one",
                   {{u"dodatki.mdb", "old db"}, {u"tekstury\\a.jpg", "old a"}},
                   {u"P\\dodatki.mdb", u"P\\tekstury\\a.jpg", u"P\\tekstury\\drewno\\",
                    u"P/tekstury/drewno/b.jpg"},
                   LibraryPlan{true,
                               false,
                               {u"tekstury\\drewno"},
                               {u"tekstury\\a.jpg"},
                               {u"tekstury\\drewno\\b.jpg"}}},
        ChangeCase{"a_file_in_other_letters_is_replaced",
                   {{u"dodatki.mdb", "old db"}, {u"Model.DWG", "v1"}},
                   {u"P\\dodatki.mdb", u"P\\model.dwg"},
                   LibraryPlan{true, false, {}, {u"model.dwg"}, {}}}),
    [](const testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

}  // namespace
