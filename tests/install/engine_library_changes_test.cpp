// The package folder's changes, called directly: the plan of what unpacking will replace, add
// and make, and how rolling back and finishing leave the folder, one row per starting folder.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "install/file_identity.h"
#include "install/install_journal.h"
#include "install/library_changes.h"
#include "tests/support/fake_platform.h"
#include "tests/support/utf8_lines.h"

namespace {

using text::Text;

const Text kHost = u"C:\\Nordeka\\CAD A\\";

// A plan's names; the identities it records are those of the files it names.
struct PlanShape {
  bool databaseExisted = false;
  bool packageFolderCreated = false;
  std::vector<Text> newFolders;
  std::vector<Text> setAside;
  std::vector<Text> newFiles;
  bool operator==(const PlanShape&) const = default;
};

void PrintTo(const PlanShape& p, std::ostream* os) {
  *os << "database " << p.databaseExisted << ", folder made " << p.packageFolderCreated
      << ", new folders " << testing::PrintToString(testsupport::utf8(p.newFolders))
      << ", set aside " << testing::PrintToString(testsupport::utf8(p.setAside)) << ", new files "
      << testing::PrintToString(testsupport::utf8(p.newFiles));
}

struct ChangeCase {
  const char* name;
  std::map<Text, std::string> before;  // the package folder's files, relative to it
  std::vector<Text> entries;           // what the package unpacks, relative to the library
  PlanShape plan;
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
        fs.writeFile(t.path, unpacked(t.path));
      }
    }
  }

  // What the unpacking writes for an entry.
  static std::string unpacked(const Text& path) { return "new " + text::toUtf8(path); }

  // The package's database as its archive declares it: the bytes the unpacking writes.
  install::FileIdentity packageDatabase() {
    const Text scratch = u"C:\\scratch.mdb";
    fs.writeFile(scratch, unpacked(paths.database));
    const std::optional<install::FileIdentity> identity = install::fileIdentity(fs, scratch);
    EXPECT_TRUE(fs.deleteFile(scratch));
    return identity.value_or(install::FileIdentity{});
  }

  install::LibraryPlan plan() {
    return install::planChanges(fs, paths, targets, packageDatabase());
  }

  fake::FakePlatform fs;
  target::PackagePaths paths = target::packagePaths(kHost, u"P");
  std::vector<zipkit::EntryTarget> targets;
  std::vector<Text> lines;
  logs::Log log{logs::DEBUG, [this](logs::Level, const Text& l) { lines.push_back(l); }};
};

TEST_P(LibraryChanges, PlanListsWhatUnpackingChangesWithTheIdentities) {
  const install::LibraryPlan plan = this->plan();
  PlanShape shape{
      plan.databaseExisted, plan.packageFolderCreated, plan.newFolders, {}, plan.newFiles};
  for (const install::KeptFile& kept : plan.setAside) {
    shape.setAside.push_back(kept.path);
    EXPECT_EQ(install::fileIdentity(fs, paths.package + kept.path), kept.identity)
        << text::toUtf8(kept.path);
  }
  EXPECT_EQ(shape, GetParam().plan);
  EXPECT_EQ(plan.database,
            plan.databaseExisted ? install::fileIdentity(fs, paths.database) : packageDatabase());
}

// The files set aside lie in folders of 256 at most, all of them there, each under its own
// name nowhere else.
TEST_P(LibraryChanges, SetAsideFilesShareAFolderBy256AtMost) {
  const install::LibraryPlan plan = this->plan();
  change(plan);
  size_t kept = 0;
  for (const Text& folder : fs.subFolders(paths.setAside)) {
    const size_t files = fs.filesIn(paths.setAside + folder).size();
    EXPECT_LE(files, 256u) << text::toUtf8(folder);
    kept += files;
  }
  EXPECT_EQ(kept, plan.setAside.size());
  EXPECT_TRUE(fs.filesIn(paths.setAside).empty());
}

TEST_P(LibraryChanges, RollBackLeavesTheFolderAsItWas) {
  const auto before = libraryState(fs, paths.library);
  const install::LibraryPlan plan = this->plan();
  change(plan);
  ASSERT_NE(libraryState(fs, paths.library), before);
  EXPECT_TRUE(install::rollBackChanges(fs, paths, plan, install::Made::ByThisRun, log))
      << testing::PrintToString(testsupport::utf8(lines));
  EXPECT_EQ(libraryState(fs, paths.library), before);
}

// The same rollback from the journal alone, as the next start does after a run was cut short.
TEST_P(LibraryChanges, RollBackFromTheJournalLeavesTheFolderAsItWas) {
  const auto before = libraryState(fs, paths.library);
  change(plan());
  const install::Journal journal = install::readJournal(fs, paths.journal);
  ASSERT_TRUE(journal.plan);
  EXPECT_FALSE(journal.committed);
  EXPECT_TRUE(
      install::rollBackChanges(fs, paths, *journal.plan, install::Made::ByAnEarlierRun, log))
      << testing::PrintToString(testsupport::utf8(lines));
  EXPECT_EQ(libraryState(fs, paths.library), before);
}

TEST_P(LibraryChanges, FinishKeepsThePackageAndDropsTheRest) {
  const install::LibraryPlan plan = this->plan();
  change(plan);
  ASSERT_TRUE(install::finishChanges(fs, paths, plan, log))
      << testing::PrintToString(testsupport::utf8(lines));
  for (const zipkit::EntryTarget& t : targets) {
    if (!t.isFolder) {
      EXPECT_EQ(fs.readFile(t.path), unpacked(t.path));
    }
  }
  EXPECT_FALSE(fs.fileExists(paths.backup));
  EXPECT_FALSE(fs.fileExists(paths.journal));
  EXPECT_FALSE(fs.directoryExists(paths.setAside));
  for (const auto& [name, bytes] : GetParam().before) {
    EXPECT_TRUE(fs.fileExists(paths.package + name)) << text::toUtf8(name);
  }
}

// An update that replaces more files than one set-aside folder takes.
ChangeCase manyFilesReplaced() {
  ChangeCase c{"many_files_replaced", {{u"dodatki.mdb", "old db"}}, {u"P\\dodatki.mdb"}, {}};
  c.plan.databaseExisted = true;
  for (int64_t i = 0; i < 600; ++i) {
    const Text name = u"modele\\m" + text::num(i) + u".dwg";
    c.before[name] = "v1 " + std::to_string(i);
    c.entries.push_back(u"P\\" + name);
    c.plan.setAside.push_back(name);
  }
  return c;
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LibraryChanges,
    testing::Values(
        ChangeCase{"first_install",
                   {},
                   {u"P\\dodatki.mdb", u"P\\tekstury\\a.jpg", u"P\\model.dwg"},
                   PlanShape{false, true, {u"tekstury"}, {}, {u"tekstury\\a.jpg", u"model.dwg"}}},
        ChangeCase{"update_replacing_a_file",
                   {{u"dodatki.mdb", "old db"}, {u"model.dwg", "v1"}, {u"own.txt", "host's"}},
                   {u"P\\dodatki.mdb", u"P\\model.dwg", u"P\\nowy.dwg"},
                   PlanShape{true, false, {}, {u"model.dwg"}, {u"nowy.dwg"}}},
        ChangeCase{"new_folders_below_an_old_one",
                   {{u"dodatki.mdb", "old db"}, {u"tekstury\\a.jpg", "old a"}},
                   {u"P\\dodatki.mdb", u"P\\tekstury\\a.jpg", u"P\\tekstury\\drewno\\",
                    u"P/tekstury/drewno/b.jpg"},
                   PlanShape{true,
                             false,
                             {u"tekstury\\drewno"},
                             {u"tekstury\\a.jpg"},
                             {u"tekstury\\drewno\\b.jpg"}}},
        ChangeCase{"a_file_in_other_letters_is_replaced",
                   {{u"dodatki.mdb", "old db"}, {u"Model.DWG", "v1"}},
                   {u"P\\dodatki.mdb", u"P\\model.dwg"},
                   PlanShape{true, false, {}, {u"model.dwg"}, {}}},
        manyFilesReplaced()),
    [](const testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

}  // namespace
