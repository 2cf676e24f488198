// An install cut short at any point, as a kill leaves the disk: the next start puts the package
// folder right by the journal the run left (rolled back, or finished once the merged database
// was committed), says so, and installs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/unattended.h"
#include "install/file_identity.h"
#include "install/install_journal.h"
#include "install/package_hold.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

using app::ExitCode;
using Disk = fake::FakePlatform::DiskImage;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};
const std::vector<Item> kMerged = {{1, u"Nowa szafa"}, {2, u"Zostaje"}, {3, u"Dodany stół"}};

bool changesTheDisk(fake::Op op) {
  switch (op) {
    case fake::Op::Exists:
    case fake::Op::Read:
    case fake::Op::Processes:
      return false;
    default:
      return true;
  }
}

// An update whose package replaces a read-only model and adds a folder, run without a window.
void prepare(Scenario& s) {
  s.makePrevious(kPrevious);
  s.makePreviousFiles();
  s.makePackage(kPackage);
  s.wrapIntoExecutable();
}

ExitCode runSilently(Scenario& s, std::vector<Text>& lines) {
  app::CommandLine line;
  line.silent = true;
  line.hostFolder = Scenario::kHost;
  const logs::Log log =
      logs::Log().withRecord([&](logs::Level, const Text& l) { lines.push_back(l); });
  return app::runUnattended(s.fs, line, log);
}

// The disk as a kill just before the k-th change of an unattended update leaves it; nothing
// when the run makes fewer changes.
std::optional<Disk> killedBeforeChange(int k) {
  Scenario s;
  prepare(s);
  std::optional<Disk> disk;
  int seen = 0;
  s.fs.shouldFail = [&](fake::Op op, const Text&) {
    if (changesTheDisk(op) && ++seen == k) disk = s.fs.diskImage();
    return false;
  };
  std::vector<Text> ignored;
  runSilently(s, ignored);
  return disk;
}

// The first kill whose disk passes the test; fails when the run has none.
Disk firstKillWhere(const std::function<bool(Scenario&)>& wanted) {
  for (int k = 1;; ++k) {
    const std::optional<Disk> disk = killedBeforeChange(k);
    if (!disk) {
      ADD_FAILURE() << "no kill point leaves such a disk";
      return {};
    }
    Scenario probe;
    probe.fs.restoreDisk(*disk);
    if (wanted(probe)) return *disk;
  }
}

// How far the killed run had come, by what its journal says.
std::string stage(Scenario& s) {
  const Text journal = s.file(u"dodatki_install.jrn");
  if (!s.fs.fileExists(journal)) return "no journal";
  const install::Journal j = install::readJournal(s.fs, journal);
  if (!j.plan) return "plan cut short";
  return j.committed ? "committed" : "planned";
}

TEST(InterruptedInstall, TheNextRunPutsItRightAfterAKillBeforeAnyChange) {
  std::set<std::string> stages;
  int kills = 0;
  for (int k = 1;; ++k) {
    const std::optional<Disk> disk = killedBeforeChange(k);
    if (!disk) break;
    ++kills;
    Scenario next;
    next.fs.restoreDisk(*disk);
    const std::string where = "killed before change " + std::to_string(k);
    stages.insert(stage(next));
    std::vector<Text> lines;
    ASSERT_EQ(runSilently(next, lines), ExitCode::Installed)
        << where << testing::PrintToString(apptest::utf8(lines));
    next.expectInstalled(kMerged, where);
    EXPECT_EQ(next.bytes(u"stare\\b.jpg"), "host's own") << where;
  }
  EXPECT_GT(kills, 30);
  EXPECT_EQ(stages,
            (std::set<std::string>{"no journal", "plan cut short", "planned", "committed"}));
}

// The window's check of the folder leaves an interrupted install as it is; Install puts it right,
// says so, and installs.
TEST(InterruptedInstall, TheWindowPutsItRightOnInstallOnly) {
  struct Case {
    const char* stage;
    const char16_t* message;
  } cases[] = {{"planned", u"Przywrócono stan sprzed przerwanej instalacji."},
               {"committed", u"Dokończono przerwaną instalację."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    const Disk disk = firstKillWhere([&](Scenario& s) { return stage(s) == c.stage; });
    Scenario next;
    next.fs.restoreDisk(disk);
    next.makePackage(kPackage);  // the window's archive in its working folder
    const Scenario::LibraryState before = next.library();
    next.form.CheckInstallationEnabled();
    EXPECT_TRUE(next.form.ready);
    EXPECT_EQ(next.library(), before);
    EXPECT_FALSE(next.memoHas(c.message));
    next.form.ButtonInstallClick();
    EXPECT_TRUE(next.memoHas(c.message));
    next.expectInstalled(kMerged, c.stage);
  }
}

// What the next start cannot put right stops it, and the journal stays for another try.
TEST(InterruptedInstall, WhatCannotBePutRightRefusesAndKeepsTheJournal) {
  struct Case {
    const char* name;
    std::function<void(Scenario&)> arrange;
    ExitCode code;
  } cases[] = {
      {"host program running",
       [](Scenario& s) {
         s.fs.processList = {{7, u"VirelaPro.exe"}};
       },
       ExitCode::HostBusy},
      {"journal that is no journal",
       [](Scenario& s) { s.fs.writeFile(s.file(u"dodatki_install.jrn"), "obce dane\nplan-end\n"); },
       ExitCode::RecoveryFailed},
      {"file set aside that cannot be put back",
       [](Scenario& s) { s.fs.holdOpen(s.file(u"model.dwg")); }, ExitCode::RecoveryFailed},
      {"memory running out while a file is put back",
       [](Scenario& s) {
         s.fs.shouldFail = [](fake::Op op, const Text& path) {
           if (op == fake::Op::Move && path.find(u"dodatki_install.old") != Text::npos) {
             throw std::bad_alloc();
           }
           return false;
         };
       },
       ExitCode::RecoveryFailed},
  };
  // Killed while the package was being unpacked: the model is set aside, the new one written.
  const Disk disk = firstKillWhere([](Scenario& s) {
    return s.fs.fileExists(s.file(u"dodatki_install.old\\1\\1")) && s.has(u"model.dwg");
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario next;
    next.fs.restoreDisk(disk);
    c.arrange(next);
    const std::string journal = next.bytes(u"dodatki_install.jrn");
    std::vector<Text> lines;
    EXPECT_EQ(runSilently(next, lines), c.code) << testing::PrintToString(apptest::utf8(lines));
    EXPECT_EQ(next.bytes(u"dodatki_install.jrn"), journal);
    // The previous database is whole, put back or still the backup.
    const Text previous = next.has(u"dodatki_old.mdb") ? u"dodatki_old.mdb" : u"dodatki.mdb";
    EXPECT_EQ(readItems(next.fs, next.file(previous)), kPrevious);
  }
}

const Text kHold = u"C:\\Nordeka\\CAD A\\dodatki\\P.dodatki_install.lock";

// A run killed while it unpacks: its journal planned, its files set aside, the backup made.
Disk unpacking() {
  return firstKillWhere([](Scenario& s) {
    return stage(s) == "planned" && s.fs.fileExists(s.file(u"dodatki_install.old\\1\\1")) &&
           s.has(u"model.dwg") && s.has(u"dodatki_old.mdb");
  });
}

// An earlier installer's journal (format 2) kept every file set aside in the set-aside folder
// itself: the next run puts them back from there, and installs.
TEST(InterruptedInstall, AnEarlierFormatIsPutRightByItsOwnLayout) {
  Scenario next;
  next.fs.restoreDisk(unpacking());
  const Text aside = next.file(u"dodatki_install.old\\");
  const std::vector<Text> kept = next.fs.listFiles(aside + u"1");
  ASSERT_FALSE(kept.empty());
  for (const Text& file : kept) {
    ASSERT_TRUE(next.fs.moveFile(file, aside + u"kept " + file.substr(file.rfind(u'\\') + 1)));
  }
  ASSERT_TRUE(next.fs.removeDirectory(aside + u"1"));
  for (const Text& file : kept) {
    const Text name = file.substr(file.rfind(u'\\') + 1);
    ASSERT_TRUE(next.fs.moveFile(aside + u"kept " + name, aside + name));
  }
  std::string journal = next.bytes(u"dodatki_install.jrn");
  ASSERT_EQ(journal.substr(0, 18), "install-journal 3\n");
  journal[16] = '2';
  next.fs.writeFile(next.file(u"dodatki_install.jrn"), journal);

  std::vector<Text> lines;
  EXPECT_EQ(runSilently(next, lines), ExitCode::Installed)
      << testing::PrintToString(apptest::utf8(lines));
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), u"Przywrócono stan sprzed przerwanej instalacji."),
      lines.end());
  next.expectInstalled(kMerged, "after an earlier format's journal");
  EXPECT_EQ(next.bytes(u"stare\\b.jpg"), "host's own");
}

// A journal as a person might write one: "present" with the identity of the database that is
// there, "absent" with that of a package's database.
void plantJournal(Scenario& s, const std::string& database, const std::string& records,
                  const std::string& after) {
  prepare(s);
  const install::FileIdentity db = database == "absent"
                                       ? install::FileIdentity{4096, 0x1234abcd}
                                       : *install::fileIdentity(s.fs, s.file(u"dodatki.mdb"));
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(db.crc));
  s.fs.writeFile(s.file(u"dodatki_install.jrn"),
                 "install-journal 3\ndatabase " + database + " " + std::to_string(db.size) + " " +
                     crc + "\npackage-folder present\n" + records + "plan-end\n" + after);
}

// What another installer or a person left in the package folder, and what an unattended run
// does there: a refusal leaves the library folder exactly as it was.
TEST(ForeignState, EachStateEndsWithItsCodeAndARefusalTouchesNothing) {
  struct Case {
    const char* name;
    std::function<void(Scenario&)> arrange;
    ExitCode code;
  } cases[] = {
      {"another installer works in the package folder",
       [](Scenario& s) {
         s.fs.restoreDisk(unpacking());
         s.fs.writeFile(kHold, "");
         s.fs.holdOpen(kHold);
       },
       ExitCode::PackageHeld},
      {"another installer works in another package",
       [](Scenario& s) {
         prepare(s);
         s.fs.writeFile(Text(Scenario::kHost) + u"dodatki\\Q.dodatki_install.lock", "");
         s.fs.holdOpen(Text(Scenario::kHost) + u"dodatki\\Q.dodatki_install.lock");
       },
       ExitCode::Installed},
      {"a hold file no one holds any more",
       [](Scenario& s) {
         prepare(s);
         s.fs.writeFile(kHold, "");
       },
       ExitCode::Installed},
      {"a set-aside folder without a journal",
       [](Scenario& s) {
         prepare(s);
         s.fs.mkdirs(s.file(u"dodatki_install.old"));
         s.fs.writeFile(s.file(u"dodatki_install.old\\1"), "somebody's file");
       },
       ExitCode::InterruptedInstall},
      // Links would take a deletion, a rename or a write outside the package folder.
      {"the database is a link",
       [](Scenario& s) {
         prepare(s);
         s.fs.makeLink(s.file(u"dodatki.mdb"));
       },
       ExitCode::LinkInPackage},
      {"a file the package replaces is a link",
       [](Scenario& s) {
         prepare(s);
         s.fs.makeLink(s.file(u"model.dwg"));
       },
       ExitCode::LinkInPackage},
      {"a folder of the host's own is a link",
       [](Scenario& s) {
         prepare(s);
         s.fs.makeLink(s.file(u"stare"));
       },
       ExitCode::LinkInPackage},
      // Journals this installer never writes, beside the user's own database.
      {"a journal naming the database as a new file",
       [](Scenario& s) { plantJournal(s, "present", "new dodatki.mdb\n", ""); },
       ExitCode::RecoveryFailed},
      {"a journal saying there was no database, beside one",
       [](Scenario& s) { plantJournal(s, "absent", "", ""); }, ExitCode::RecoveryFailed},
      {"a committed journal beside a backup that is not its own",
       [](Scenario& s) {
         plantJournal(s, "present", "", "committed\n");
         s.fs.writeFile(s.file(u"dodatki_old.mdb"), "somebody's copy");
       },
       ExitCode::RecoveryFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    c.arrange(s);
    const Scenario::LibraryState before = s.library();
    std::vector<Text> lines;
    EXPECT_EQ(runSilently(s, lines), c.code) << testing::PrintToString(apptest::utf8(lines));
    if (c.code == ExitCode::Installed) {
      s.expectInstalled(kMerged, c.name);
    } else {
      EXPECT_EQ(s.library(), before);
    }
  }
}

// A set-aside file that is not the one the journal names is neither put back nor deleted, and the
// log says which file and why.
TEST(ForeignState, ASetAsideFileOfAnotherIsKept) {
  Scenario s;
  s.fs.restoreDisk(unpacking());
  s.fs.writeFile(s.file(u"dodatki_install.old\\1\\1"), "somebody's model");
  std::vector<Text> lines;
  EXPECT_EQ(runSilently(s, lines), ExitCode::RecoveryFailed);
  EXPECT_EQ(s.bytes(u"dodatki_install.old\\1\\1"), "somebody's model");
  EXPECT_TRUE(s.has(u"dodatki_install.jrn"));
  const Text why = u"Plik " + s.file(u"dodatki_install.old\\1\\1") + u" ma ";
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const Text& l) {
    return l.rfind(why, 0) == 0;
  })) << testing::PrintToString(apptest::utf8(lines));
  // The previous database is whole, put back and checked.
  EXPECT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), kPrevious);
}

// The window finds the package held as it checks the folder, and again at Install.
TEST(ForeignState, TheWindowRefusesAHeldPackage) {
  Scenario s;
  s.fs.restoreDisk(unpacking());
  s.makePackage(kPackage);
  s.fs.writeFile(kHold, "");
  s.fs.holdOpen(kHold);
  const Scenario::LibraryState before = s.library();
  s.form.ready = false;  // as before the first check
  s.form.CheckInstallationEnabled();
  EXPECT_FALSE(s.form.ready);
  EXPECT_EQ(s.window.infoLabel(), install::kPackageHeldMessage);
  s.form.ButtonInstallClick();
  EXPECT_EQ(s.window.infoLabel(), install::kPackageHeldMessage);
  EXPECT_EQ(s.library(), before);
}

}  // namespace
}  // namespace installtest
