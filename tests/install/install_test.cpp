// The Install click: update and first install, each failure, the safety checks before anything
// is touched, and a fault at every single file operation of an update.
#include <gtest/gtest.h>

#include <map>

#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

using app::Ctl;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};
const std::vector<Item> kMerged = {{1, u"Nowa szafa"}, {2, u"Zostaje"}, {3, u"Dodany stół"}};

void expectNoInstallLook(const app::WindowModel& w) {
  for (Ctl c :
       {Ctl::bnInstallDisable, Ctl::bnInstallActive, Ctl::bnInstallHover, Ctl::bnInstallNormal}) {
    EXPECT_FALSE(w.visible(c));
  }
  EXPECT_TRUE(w.visible(Ctl::bnCloseNormal));
}

TEST_F(InstallTest, UpdateMergesAndLeavesOnlyTheDatabase) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  form.ButtonInstallClick();

  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), kMerged);
  EXPECT_FALSE(has(u"dodatki_old.mdb"));
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
  EXPECT_EQ(bytes(u"model.dwg"), "model v2");
  EXPECT_EQ(bytes(u"tekstury\\a.jpg"), "texture");
  EXPECT_FALSE(fs.fileExists(Text(kHost) + u"dodatki\\P.jpg"));
  EXPECT_FALSE(fs.fileExists(Text(kHost) + u"dodatki\\P.txt"));

  EXPECT_EQ(memoCount(u"Kasujemy niepotrzebny plik dodatki_old.mdb"), 1);
  EXPECT_EQ(memoCount(u"Kasujemy niepotrzebny plik dodatki_new.mdb"), 0);
  EXPECT_EQ(memoCount(u"SET FINISH na objektach"), 2);
  EXPECT_TRUE(memoHas(u"zmieniamy " + file(u"dodatki.mdb") + u" na dodatki_old.mdb"));
  EXPECT_TRUE(window.visible(Ctl::BGfinish));
  EXPECT_FALSE(window.visible(Ctl::gauge));
  EXPECT_FALSE(window.visible(Ctl::InfoLabel));
  EXPECT_FALSE(window.visible(Ctl::Edit1));
  EXPECT_FALSE(window.visible(Ctl::StaticText1));
  expectNoInstallLook(window);
}

TEST_F(InstallTest, FirstInstallTakesThePackageRows) {
  makePackage(kPackage);
  form.ButtonInstallClick();
  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), kPackage);
  EXPECT_FALSE(has(u"dodatki_old.mdb"));
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
  EXPECT_FALSE(memoHas(u"Kasujemy niepotrzebny plik dodatki_old.mdb"));
  EXPECT_TRUE(window.visible(Ctl::BGfinish));
}

TEST_F(InstallTest, FolderTextWithBlanksAroundItInstallsIntoTheTrimmedFolder) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  window.setEdit1(u" " + Text(kHost) + u" ");
  form.ButtonInstallClick();
  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), kMerged);
}

TEST_F(InstallTest, FailedMergePutsThePreviousDatabaseBackByteForByte) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  makePackage(std::nullopt);  // no database in the package: nothing to merge
  form.ButtonInstallClick();
  EXPECT_EQ(bytes(u"dodatki.mdb"), before);
  EXPECT_FALSE(has(u"dodatki_old.mdb"));
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
  EXPECT_EQ(bytes(u"model.dwg"), "model v2");  // the package's other files stay
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
  EXPECT_FALSE(window.visible(Ctl::gauge));
  EXPECT_TRUE(window.visible(Ctl::BG));
  expectNoInstallLook(window);
}

TEST_F(InstallTest, FailedExtractionPutsThePreviousDatabaseBack) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  makePackage(kPackage);
  fs.writeFile(file(u"model.dwg"), "model v1");
  fs.setReadOnly(file(u"model.dwg"));
  form.ButtonInstallClick();
  EXPECT_EQ(bytes(u"dodatki.mdb"), before);
  EXPECT_FALSE(has(u"dodatki_old.mdb"));
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
}

TEST_F(InstallTest, FirstInstallWhoseMergeFailsLeavesNoDatabase) {
  makePackage(std::nullopt);
  form.ButtonInstallClick();
  EXPECT_FALSE(has(u"dodatki.mdb"));
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
}

TEST_F(InstallTest, MissingArchiveTouchesNothing) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  form.ButtonInstallClick();
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Brak pliku: " + form.sourceZip);
  EXPECT_EQ(bytes(u"dodatki.mdb"), before);
  EXPECT_TRUE(window.visible(Ctl::gauge));
  EXPECT_EQ(window.gauge(), 0);
  expectNoInstallLook(window);
}

TEST_F(InstallTest, RestoreThatFailsKeepsTheBackupAndSaysWhereItIs) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  makePackage(std::nullopt);
  // The damaged database cannot be deleted, so the backup cannot take its name back.
  fs.shouldFail = [&](fake::Op op, const Text& path) {
    return op == fake::Op::Delete && fake::pathKey(path) == fake::pathKey(file(u"dodatki.mdb"));
  };
  form.ButtonInstallClick();
  EXPECT_EQ(bytes(u"dodatki_old.mdb"), before);
  EXPECT_EQ(window.infoLabel(),
            u"Wystąpił błąd instalacji. Poprzednia baza jest w pliku: " + file(u"dodatki_old.mdb"));
}

// ---------------------------------------------------------------- checks before anything starts

class BlockedInstallTest : public InstallTest {
 protected:
  void expectUntouched(const std::string& before, const Text& message) {
    form.ButtonInstallClick();
    EXPECT_EQ(window.infoLabel(), message);
    EXPECT_EQ(bytes(u"dodatki.mdb"), before);
    EXPECT_FALSE(has(u"dodatki_new.mdb"));
    EXPECT_FALSE(fs.fileExists(file(u"model.dwg")));
    // The window stays as it was, so the user can correct the cause and click again.
    EXPECT_TRUE(window.visible(Ctl::bnInstallNormal));
    EXPECT_TRUE(window.visible(Ctl::Edit1));
    EXPECT_FALSE(window.visible(Ctl::gauge));
  }
};

TEST_F(BlockedInstallTest, BackupLeftByAnInterruptedRunStopsBeforeAnythingIsTouched) {
  makePrevious(kPrevious);
  fs.writeFile(file(u"dodatki_old.mdb"), "the only copy of an older database");
  makePackage(kPackage);
  expectUntouched(bytes(u"dodatki.mdb"),
                  u"Znaleziono plik dodatki_old.mdb z przerwanej instalacji. Przenieś go w "
                  u"bezpieczne miejsce i spróbuj ponownie.");
  EXPECT_EQ(bytes(u"dodatki_old.mdb"), "the only copy of an older database");
}

TEST_F(BlockedInstallTest, FolderChangedToOneWithoutTheLibrary) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  fs.mkdirs(u"C:\\Inny");
  window.setEdit1(u"C:\\Inny\\");
  expectUntouched(bytes(u"dodatki.mdb"),
                  u"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
}

TEST_F(BlockedInstallTest, DatabaseOpenedByTheHostAfterInstallWasEnabled) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  fs.holdOpen(file(u"dodatki.mdb"));
  expectUntouched(bytes(u"dodatki.mdb"), u"Wyłącz program VIRELA i spróbuj ponownie.");
}

TEST_F(BlockedInstallTest, HostStartedAfterInstallWasEnabled) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  fs.processList = {{17, u"VirelaPro.exe"}};
  expectUntouched(bytes(u"dodatki.mdb"), u"Wyłącz program VirelaPro.exe i spróbuj ponownie.");
}

TEST_F(InstallTest, LeftoverPackageFileIsNeverMergedAsThePackage) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  makeDatabase(fs, file(u"dodatki_new.mdb"), {{99, u"Z przerwanej instalacji"}});
  form.ButtonInstallClick();
  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), kMerged);
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
}

// The merge's last commit fails half-way: the merge fails, the half-written new database goes
// and the previous one is back under its name, byte for byte.
TEST(InstallFaults, CommitFailingHalfWayRestoresThePreviousDatabase) {
  const auto writesToDatabase = [](Scenario& s, int failAt) {
    int writes = 0;
    s.fs.shouldFail = [&, failAt](fake::Op op, const Text& path) {
      if (op != fake::Op::Write || path != s.file(u"dodatki.mdb")) return false;
      return ++writes == failAt;
    };
    s.form.ButtonInstallClick();
    s.fs.shouldFail = nullptr;
    return writes;
  };
  int clean = 0;
  {
    Scenario s;
    s.makePrevious(kPrevious);
    s.makePackage(kPackage);
    clean = writesToDatabase(s, 0);
    ASSERT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), kMerged);
  }
  ASSERT_GT(clean, 3);
  Scenario s;
  s.makePrevious(kPrevious);
  s.makePackage(kPackage);
  const std::string before = s.bytes(u"dodatki.mdb");
  // The last commit writes the Dodatki rows, then the table definition and maps: its
  // next-to-last write falls between them.
  const int failAt = clean - 1;
  EXPECT_EQ(writesToDatabase(s, failAt), failAt) << "nothing written after the failure";
  EXPECT_EQ(s.bytes(u"dodatki.mdb"), before);
  EXPECT_FALSE(s.has(u"dodatki_old.mdb"));
  EXPECT_FALSE(s.has(u"dodatki_new.mdb"));
  EXPECT_EQ(s.window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
}

// ---------------------------------------------------------------- one fault at a time

// After a fault at any single file operation of an update, the host's database is the
// previous one byte for byte, or the complete merge, or the previous one byte for byte under
// the name the status label gives.
TEST(InstallFaults, EverySingleFaultLeavesTheDatabaseWhole) {
  const fake::Op kinds[] = {fake::Op::Move,      fake::Op::Delete,   fake::Op::Open,
                            fake::Op::Write,     fake::Op::Truncate, fake::Op::ForceDirs,
                            fake::Op::CreateDir, fake::Op::Read};
  // A clean run tells how many operations of each kind the click performs.
  std::map<fake::Op, int> clean;
  {
    Scenario s;
    s.makePrevious(kPrevious);
    s.makePackage(kPackage);
    const auto before = s.fs.opCount;
    s.form.ButtonInstallClick();
    ASSERT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), kMerged);
    for (fake::Op k : kinds) clean[k] = s.fs.opCount[k] - (before.count(k) ? before.at(k) : 0);
  }
  int runs = 0;
  for (fake::Op kind : kinds) {
    for (int k = 1; k <= clean[kind]; ++k) {
      Scenario s;
      s.makePrevious(kPrevious);
      s.makePackage(kPackage);
      const std::string before = s.bytes(u"dodatki.mdb");
      int seen = 0;
      s.fs.shouldFail = [&](fake::Op op, const Text&) { return op == kind && ++seen == k; };
      try {
        s.form.ButtonInstallClick();
      } catch (const std::exception& e) {
        ADD_FAILURE() << "the click let an error out: " << e.what();
      }
      s.fs.shouldFail = nullptr;
      const std::string where =
          "fault at operation " + std::to_string(static_cast<int>(kind)) + " #" + std::to_string(k);
      const Text label = s.window.infoLabel();
      const Text backupNote = u"Wystąpił błąd instalacji. Poprzednia baza jest w pliku: ";
      if (label.rfind(backupNote, 0) == 0) {
        EXPECT_EQ(s.fs.readFile(label.substr(backupNote.size())), before) << where;
      } else if (s.has(u"dodatki.mdb") && s.bytes(u"dodatki.mdb") == before) {
        SUCCEED();
      } else {
        ASSERT_TRUE(s.has(u"dodatki.mdb")) << where;
        EXPECT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), kMerged) << where;
        EXPECT_TRUE(s.window.visible(Ctl::BGfinish)) << where;
      }
      ++runs;
    }
  }
  EXPECT_GT(runs, 20);
}

}  // namespace
}  // namespace installtest
