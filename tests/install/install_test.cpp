// The Install click: update and first install, each failure, the safety checks before anything
// is touched, and a fault at every single file operation of an update.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <new>
#include <stdexcept>

#include "install/recovery.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

using app::Ctl;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};

// Once the file has been written (unpacked), every rename of it fails.
void failRenamesOnceWritten(fake::FakePlatform& fs, const Text& path, bool& written) {
  fs.shouldFail = [path, &written](fake::Op op, const Text& at) {
    if (fake::pathKey(at) != fake::pathKey(path)) return false;
    if (op == fake::Op::Write) written = true;
    return op == fake::Op::Move && written;
  };
}
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

TEST_F(InstallTest, FailedMergeLeavesTheLibraryAsItWas) {
  makePrevious(kPrevious);
  makePreviousFiles();
  const LibraryState before = library();
  makePackage(std::nullopt);  // no database in the package: nothing to merge
  form.ButtonInstallClick();
  EXPECT_EQ(library(), before);
  EXPECT_TRUE(memoHas(u"Przywracamy plik " + file(u"model.dwg")));
  EXPECT_TRUE(memoHas(u"Usuwamy folder " + file(u"tekstury")));
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
  EXPECT_FALSE(window.visible(Ctl::gauge));
  EXPECT_TRUE(window.visible(Ctl::BG));
  expectNoInstallLook(window);
}

TEST_F(InstallTest, FailedExtractionLeavesTheLibraryAsItWas) {
  makePrevious(kPrevious);
  makePreviousFiles();
  const LibraryState before = library();
  makePackage(kPackage);
  fs.shouldFail = [&](fake::Op op, const Text& path) {
    return op == fake::Op::Write && fake::pathKey(path) == fake::pathKey(file(u"model.dwg"));
  };
  form.ButtonInstallClick();
  fs.shouldFail = nullptr;
  EXPECT_EQ(library(), before);
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
}

TEST_F(InstallTest, FirstInstallWhoseMergeFailsLeavesNoDatabase) {
  makePackage(std::nullopt);
  form.ButtonInstallClick();
  EXPECT_FALSE(has(u"dodatki.mdb"));
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
}

// The package's own database, deletion markers and all, must not stay as the host's database
// when the run that unpacked it fails.
TEST_F(InstallTest, FirstInstallThatFailsAfterUnpackingLeavesNoDatabase) {
  makePackage(kPackage);
  bool unpacked = false;
  failRenamesOnceWritten(fs, file(u"dodatki.mdb"), unpacked);
  form.ButtonInstallClick();
  EXPECT_TRUE(unpacked);
  EXPECT_FALSE(has(u"dodatki.mdb"));
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
  EXPECT_TRUE(memoHas(u"Kasujemy plik dodatki.mdb nieudanej pierwszej instalacji"));
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
}

TEST_F(InstallTest, MissingArchiveTouchesNothing) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  form.ButtonInstallClick();
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Brak pliku: " + form.sourceZip);
  EXPECT_EQ(bytes(u"dodatki.mdb"), before);
  // The gauge lies over the label: a visible one would hide the message.
  EXPECT_FALSE(window.visible(Ctl::gauge));
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

// A leftover that cannot go fails the run before the merge, and the log says why.
TEST_F(InstallTest, LeftoverPackageFileThatCannotBeDeletedSaysWhy) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  makePackage(kPackage);
  fs.writeFile(file(u"dodatki_new.mdb"), "held");
  fs.holdOpen(file(u"dodatki_new.mdb"));
  form.ButtonInstallClick();
  EXPECT_TRUE(memoHas(u"Nie można usunąć pliku " + file(u"dodatki_new.mdb") +
                      u". Plik jest używany przez inny program."));
  EXPECT_EQ(bytes(u"dodatki.mdb"), before);
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
}

TEST_F(InstallTest, LeftoverPackageFileIsNeverMergedAsThePackage) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  makeDatabase(fs, file(u"dodatki_new.mdb"), {{99, u"Z przerwanej instalacji"}});
  form.ButtonInstallClick();
  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), kMerged);
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
}

// ---------------------------------------------------------------- the backup and the disk

// The position of the first operation of a kind on a file in the platform's record, or -1.
std::ptrdiff_t firstOp(const fake::FakePlatform& fs, fake::Op op, const Text& path) {
  const auto& log = fs.opLog;
  const auto it = std::find_if(log.begin(), log.end(), [&](const auto& entry) {
    return entry.first == op && fake::pathKey(entry.second) == fake::pathKey(path);
  });
  return it == log.end() ? -1 : it - log.begin();
}

// Every position of an operation on a file in the platform's record.
std::vector<std::ptrdiff_t> opsOn(const fake::FakePlatform& fs, fake::Op op, const Text& path) {
  std::vector<std::ptrdiff_t> at;
  for (size_t i = 0; i < fs.opLog.size(); ++i) {
    const auto& [seen, where] = fs.opLog[i];
    if (seen == op && fake::pathKey(where) == fake::pathKey(path)) {
      at.push_back(static_cast<std::ptrdiff_t>(i));
    }
  }
  return at;
}

// The order on the disk that makes a power cut at any moment recoverable: the journal's plan is
// on the disk before the first change; the merged database and every unpacked file before the
// journal's commit; nothing set aside and no backup is deleted before the commit; the journal goes
// last.
TEST_F(InstallTest, NothingKeptAsideGoesBeforeTheDiskSaysTheInstallIsComplete) {
  makePrevious(kPrevious);
  makePreviousFiles();
  makePackage(kPackage);
  fs.opLog.clear();
  form.ButtonInstallClick();
  ASSERT_EQ(readItems(fs, file(u"dodatki.mdb")), kMerged);
  using fake::Op;
  const std::vector<std::ptrdiff_t> journalFlushes =
      opsOn(fs, Op::Flush, file(u"dodatki_install.jrn"));
  ASSERT_EQ(journalFlushes.size(), 2u) << "the plan, then the commit";
  const std::ptrdiff_t plan = journalFlushes[0];
  const std::ptrdiff_t commit = journalFlushes[1];
  // The first changes: the model set aside, the backup made (the check before it moves the
  // database too, so its last move from that name is the backup's).
  const std::ptrdiff_t setAside = firstOp(fs, Op::Move, file(u"model.dwg"));
  const std::ptrdiff_t backup = opsOn(fs, Op::Move, file(u"dodatki.mdb")).back();
  EXPECT_LT(plan, setAside);
  EXPECT_LT(plan, backup);
  for (const Text& unpacked :
       {file(u"dodatki.mdb"), file(u"model.dwg"), file(u"tekstury\\a.jpg")}) {
    const std::ptrdiff_t flush = firstOp(fs, Op::Flush, unpacked);
    ASSERT_GE(flush, 0) << text::toUtf8(unpacked);
    EXPECT_LT(flush, commit) << text::toUtf8(unpacked);
  }
  for (const Text& kept : {file(u"dodatki_install.old\\1\\1"), file(u"dodatki_old.mdb")}) {
    const std::ptrdiff_t deletion = firstOp(fs, Op::Delete, kept);
    ASSERT_GE(deletion, 0) << text::toUtf8(kept);
    EXPECT_GT(deletion, commit) << text::toUtf8(kept);
  }
  const std::ptrdiff_t journalGone = firstOp(fs, Op::Delete, file(u"dodatki_install.jrn"));
  for (size_t i = static_cast<size_t>(journalGone) + 1; i < fs.opLog.size(); ++i) {
    EXPECT_NE(fs.opLog[i].first, Op::Delete)
        << "after the journal: " << text::toUtf8(fs.opLog[i].second);
    EXPECT_NE(fs.opLog[i].first, Op::Move)
        << "after the journal: " << text::toUtf8(fs.opLog[i].second);
  }
  expectInstalled(kMerged, "update");
}

TEST_F(InstallTest, AFailedFlushFailsTheInstallAndPutsTheBackupBack) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  makePackage(kPackage);
  fs.shouldFail = [&](fake::Op op, const Text& path) {
    return op == fake::Op::Flush && fake::pathKey(path) == fake::pathKey(file(u"dodatki.mdb"));
  };
  form.ButtonInstallClick();
  EXPECT_EQ(bytes(u"dodatki.mdb"), before);
  EXPECT_FALSE(has(u"dodatki_old.mdb"));
  EXPECT_FALSE(has(u"dodatki_new.mdb"));
  EXPECT_TRUE(memoHas(u"Błąd zapisu na dysk pliku: " + file(u"dodatki.mdb") + u". " +
                      fake::kInjectedReason));
  EXPECT_EQ(window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
  EXPECT_FALSE(window.visible(Ctl::BGfinish));
}

// A read-only host database: the merged one takes the attribute back, and the backup goes, so
// the next run is not refused as one after an interrupted install.
TEST_F(InstallTest, AReadOnlyDatabaseStaysReadOnlyAndItsBackupGoes) {
  makePrevious(kPrevious);
  fs.setReadOnly(file(u"dodatki.mdb"));
  makePackage(kPackage);
  form.ButtonInstallClick();
  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), kMerged);
  EXPECT_TRUE(fs.isReadOnly(file(u"dodatki.mdb")));
  EXPECT_FALSE(has(u"dodatki_old.mdb"));
  EXPECT_TRUE(window.visible(Ctl::BGfinish));
  EXPECT_FALSE(fs.isReadOnly(file(u"model.dwg"))) << "only the database takes the attribute";
}

TEST_F(InstallTest, ABackupThatCannotBeDeletedIsNamed) {
  makePrevious(kPrevious);
  makePackage(kPackage);
  const Text backup = file(u"dodatki_old.mdb");
  fs.shouldFail = [&](fake::Op op, const Text& path) {
    return op == fake::Op::Delete && fake::pathKey(path) == fake::pathKey(backup);
  };
  form.ButtonInstallClick();
  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), kMerged);
  EXPECT_TRUE(has(u"dodatki_old.mdb"));
  EXPECT_TRUE(memoHas(u"Nie można usunąć kopii poprzedniej bazy: " + backup + u". " +
                      fake::kInjectedReason));
  // The journal stays, so that the next start deletes what this run could not.
  fs.shouldFail = nullptr;
  EXPECT_EQ(install::recoverInterruptedInstall(fs, kHost, u"P", logs::Log()), std::nullopt);
  expectInstalled(kMerged, "next start");
}

// ---------------------------------------------------------------- causes that reach the log

// The unpacked database cannot take its side name: the log says so, not that a file is missing.
TEST_F(InstallTest, AFailedRenameOfTheUnpackedDatabaseIsLogged) {
  makePrevious(kPrevious);
  const std::string before = bytes(u"dodatki.mdb");
  makePackage(kPackage);
  bool unpacked = false;
  failRenamesOnceWritten(fs, file(u"dodatki.mdb"), unpacked);
  form.ButtonInstallClick();
  EXPECT_TRUE(
      memoHas(u"Błąd zmiany nazwy pliku dodatki.mdb na dodatki_new.mdb. " + fake::kInjectedReason));
  EXPECT_FALSE(memoHas(u"Brak pliku: " + file(u"dodatki_new.mdb")));
  EXPECT_EQ(bytes(u"dodatki.mdb"), before);
  EXPECT_FALSE(has(u"dodatki_old.mdb"));
}

// An error no step names, thrown while the package is unpacked (the transaction catches it) or
// while the databases are merged (the merge catches it): the library is put back as it was, and
// the cause reaches the log.
TEST(InstallUnexpectedErrors, ReachTheLogAndTheOneCleanUp) {
  struct Case {
    const char* name;
    fake::Op op;
    const char16_t* file;
    bool outOfMemory;
  } cases[] = {{"unpacking, out of memory", fake::Op::Write, u"model.dwg", true},
               {"unpacking, program error", fake::Op::Write, u"model.dwg", false},
               {"merge, out of memory", fake::Op::Read, u"dodatki_old.mdb", true},
               {"merge, program error", fake::Op::Read, u"dodatki_old.mdb", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.form.log_level = app::DEBUG;
    s.makePrevious(kPrevious);
    s.makePreviousFiles();
    const Scenario::LibraryState before = s.library();
    s.makePackage(kPackage);
    const Text target = s.file(c.file);
    // Once, as memory runs short for a moment: the clean-up then reads the backup to check it.
    bool thrown = false;
    s.fs.shouldFail = [&](fake::Op op, const Text& path) {
      if (op == c.op && fake::pathKey(path) == fake::pathKey(target) && !thrown) {
        thrown = true;
        if (c.outOfMemory) throw std::bad_alloc();
        throw std::runtime_error("stan poza zakresem");
      }
      return false;
    };
    ASSERT_NO_THROW(s.form.ButtonInstallClick());
    s.fs.shouldFail = nullptr;
    if (c.outOfMemory) {
      EXPECT_TRUE(s.memoHas(u"Za mało pamięci, aby dokończyć instalację."));
    } else {
      EXPECT_EQ(s.memoFrom(u"Nieoczekiwany błąd programu.").at(1), u"stan poza zakresem");
    }
    EXPECT_EQ(s.library(), before);
    EXPECT_EQ(s.window.infoLabel(), u"Wystąpił błąd instalacji. Spróbuj ponownie.");
    EXPECT_FALSE(s.window.visible(Ctl::gauge));
  }
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

// After a fault at any single file operation of an update, the package is installed, or the
// library is exactly as it was; what the run itself could not put back, the next start does.
TEST(InstallFaults, EverySingleFaultLeavesTheLibraryAsItWasOrInstalled) {
  const int runs = runWithEachSingleFault(
      [](Scenario& s) {
        s.makePrevious(kPrevious);
        s.makePreviousFiles();
        s.makePackage(kPackage);
      },
      [](Scenario& s, const std::string& where) {
        const Scenario::LibraryState before = s.library();
        try {
          s.form.ButtonInstallClick();
        } catch (const std::exception& e) {
          ADD_FAILURE() << "the click let an error out: " << e.what();
        }
        s.fs.shouldFail = nullptr;
        const bool installed = s.window.visible(Ctl::BGfinish);
        const Text backupNote = u"Wystąpił błąd instalacji. Poprzednia baza jest w pliku: ";
        const Text label = s.window.infoLabel();
        if (label.rfind(backupNote, 0) == 0) {
          EXPECT_EQ(s.fs.readFile(label.substr(backupNote.size())),
                    before.files.at(s.file(u"dodatki.mdb")))
              << where;
        }
        if (!installed && !s.has(u"dodatki_install.jrn")) {
          EXPECT_EQ(s.library(), before) << where;
        }
        EXPECT_EQ(install::recoverInterruptedInstall(s.fs, Scenario::kHost, u"P", logs::Log()),
                  std::nullopt)
            << where;
        if (installed) {
          s.expectInstalled(kMerged, where);
        } else {
          EXPECT_EQ(s.library(), before) << where;
        }
      });
  EXPECT_GT(runs, 20);
}

}  // namespace
}  // namespace installtest
