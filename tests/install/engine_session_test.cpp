// The install session called directly, without a window: what it detects in the working folder,
// what it decides about a host folder, and what apply ends with, one row per state of the disk.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "accessorydb/mdb_create.h"
#include "install/session.h"
#include "platform/in_use_retry.h"
#include "tests/archive/zip_fixtures.h"
#include "tests/support/fake_platform.h"
#include "tests/support/test_pictures.h"
#include "tests/support/utf8_lines.h"

namespace {

using text::Text;
using Reason = target::Refusal::Reason;
using Result = install::Outcome::Result;

const Text kHost = u"C:\\Nordeka\\CAD A\\";
const Text kPackageDir = kHost + u"dodatki\\P\\";
const Text kWork = u"C:\\Temp\\instalator-1-0\\";

std::string emptyDatabase() {
  static const std::string bytes = [] {
    fake::FakePlatform fs;
    EXPECT_TRUE(accessorydb::createDatabase(fs, u"C:\\dodatki.mdb", logs::Log()).created());
    return fs.readFile(u"C:\\dodatki.mdb");
  }();
  return bytes;
}

std::vector<ziptest::Item> packageItems() {
  return {{u"P.jpg", fake::jpegFile(1040, 585)},
          {u"P\\model.dwg", "model v2"},
          {u"P\\tekstury\\a.jpg", "texture"},
          {u"P\\dodatki.mdb", emptyDatabase()}};
}

const Text kInstaller = u"D:\\Kuchnie.exe";

// A host installation with an earlier version of the package, and a working folder.
struct SessionDisk {
  SessionDisk() {
    fs.mkdirs(kPackageDir);
    fs.writeFile(kPackageDir + u"dodatki.mdb", emptyDatabase());
    fs.writeFile(kPackageDir + u"model.dwg", "model v1");
    fs.mkdirs(kWork);
  }
  // The archive where the installer carries it: after the program, before the trailer.
  void withArchive(const std::vector<ziptest::Item>& items) {
    const std::string program = "MZ program";
    const std::string zip = ziptest::zipBytes(items);
    fs.writeFile(kInstaller, program + zip + "\xEF\xBB\xBF");
    files.archive = zipkit::ArchiveSource(kInstaller, program.size(), zip.size() + 3);
  }
  install::Session session() {
    return install::Session(fs, files, logs::Log(logs::DEBUG, [this](logs::Level, const Text& l) {
                              lines.push_back(l);
                            }));
  }
  std::string shownLog() const { return testing::PrintToString(testsupport::utf8(lines)); }

  fake::FakePlatform fs;
  install::WorkFiles files{kWork, {}, kWork + u"cover.jpg"};
  std::vector<Text> lines;
};

struct DetectCase {
  const char* name;
  std::function<void(SessionDisk&)> arrange;
  bool archive;
  std::optional<Text> package;
  bool cover;
  bool refused;
  bool offered = cover && !refused;
};

TEST(SessionDetect, FindsWhatTheWorkingFolderHolds) {
  const DetectCase cases[] = {
      {"no archive", [](SessionDisk&) {}, false, std::nullopt, false, false},
      {"package with its cover", [](SessionDisk& d) { d.withArchive(packageItems()); }, true, u"P",
       true, false},
      {"cover in other letters",
       [](SessionDisk& d) {
         auto items = packageItems();
         items[0].name = u"P.JPG";
         d.withArchive(items);
       },
       true, u"P", true, false},
      {"a cover that is no picture",
       [](SessionDisk& d) {
         auto items = packageItems();
         items[0].data = "cover";
         d.withArchive(items);
       },
       true, u"P", true, false, false},
      {"no cover",
       [](SessionDisk& d) {
         auto items = packageItems();
         items.erase(items.begin());
         d.withArchive(items);
       },
       true, u"P", false, false},
      {"no package database",
       [](SessionDisk& d) {
         auto items = packageItems();
         items.pop_back();
         d.withArchive(items);
       },
       true, std::nullopt, false, false},
      {"a package rule broken",
       [](SessionDisk& d) {
         auto items = packageItems();
         items.insert(items.begin(), {u"evil.exe", "MZ"});
         d.withArchive(items);
       },
       true, std::nullopt, false, true},
  };
  for (const DetectCase& c : cases) {
    SCOPED_TRACE(c.name);
    SessionDisk d;
    c.arrange(d);
    install::DetectObserver none;
    const install::PackageFound found = d.session().detectPackage(none);
    EXPECT_EQ(found.archive, c.archive) << d.shownLog();
    EXPECT_EQ(found.package, c.package) << d.shownLog();
    EXPECT_EQ(found.cover, c.cover) << d.shownLog();
    EXPECT_EQ(found.refusal.has_value(), c.refused) << d.shownLog();
    EXPECT_EQ(found.offered(), c.offered);
    // What keeps a cover that is there from being offered is said.
    EXPECT_EQ(found.coverError.has_value(), c.cover && !c.offered) << d.shownLog();
    EXPECT_EQ(d.fs.fileExists(d.files.cover), c.cover);
  }
}

struct DiscoverCase {
  const char* name;
  std::vector<Text> installations;
  std::optional<Text> proposal;
  std::optional<Reason> unconfirmed;  // what refuses a run nobody watches
};

// The window proposes the first installation and lets the user change it; a run nobody watches
// may take only a single one. Both answers come from one discovery.
TEST(SessionDiscoverHosts, ProposesTheFirstAndRefusesAnUnconfirmedChoice) {
  const Text other = u"D:\\Nordeka\\cad studio";
  const DiscoverCase cases[] = {
      {"one", {kHost + u"dodatki"}, kHost, std::nullopt},
      {"none", {}, std::nullopt, Reason::NoInstallation},
      {"two on two drives", {kHost + u"dodatki", other}, kHost, Reason::SeveralInstallations},
      // Discovery does not look into the folder; the folder check does.
      {"one without its library folder", {other}, other + u"\\", std::nullopt},
  };
  for (const DiscoverCase& c : cases) {
    SCOPED_TRACE(c.name);
    SessionDisk d;
    d.fs = fake::FakePlatform();
    d.fs.addDrive(u"D:\\");
    for (const Text& folder : c.installations) d.fs.mkdirs(folder);
    install::Session session = d.session();
    const install::HostDiscovery hosts = session.discoverHosts();
    EXPECT_EQ(hosts.proposal, c.proposal) << d.shownLog();
    const std::optional<target::Refusal> refusal = session.refuseUnconfirmed(hosts);
    EXPECT_EQ(refusal ? std::optional(refusal->reason) : std::nullopt, c.unconfirmed);
    if (refusal) {
      // The refusal's message is in the log once: discovery's own, or the refusal's.
      EXPECT_EQ(std::count(d.lines.begin(), d.lines.end(), refusal->message), 1) << d.shownLog();
    }
  }
}

struct HostCase {
  const char* name;
  std::function<void(SessionDisk&)> arrange;
  Text hostFolder;
  std::optional<Reason> refusal;
};

TEST(SessionCheckHost, DecidesWhetherAnInstallMayGoOn) {
  const HostCase cases[] = {
      {"the installation", [](SessionDisk&) {}, kHost, std::nullopt},
      {"a folder without a library", [](SessionDisk& d) { d.fs.mkdirs(u"C:\\Inne"); },
       u"C:\\Inne\\", Reason::NoInstallation},
      // The field is checked as it stands, the library folder name right after its text.
      {"the field without its separator", [](SessionDisk&) {}, u"C:\\Nordeka\\CAD A",
       Reason::NoInstallation},
      {"the host program running",
       [](SessionDisk& d) {
         d.fs.processList = {{7, u"VirelaPro.exe"}};
       },
       kHost, Reason::HostRunning},
      {"the database held open",
       [](SessionDisk& d) { d.fs.holdOpen(kPackageDir + u"dodatki.mdb"); }, kHost,
       Reason::DatabaseInUse},
      {"a backup left by an older installer",
       [](SessionDisk& d) { d.fs.writeFile(kPackageDir + u"dodatki_old.mdb", "old"); }, kHost,
       Reason::InterruptedInstall},
      {"the process list unreadable",
       [](SessionDisk& d) {
         d.fs.shouldFail = [](fake::Op op, const Text&) { return op == fake::Op::Processes; };
       },
       kHost, Reason::ProcessListUnreadable},
  };
  for (const HostCase& c : cases) {
    SCOPED_TRACE(c.name);
    SessionDisk d;
    c.arrange(d);
    const std::optional<target::Refusal> refusal = d.session().checkHost(c.hostFolder, u"P");
    ASSERT_EQ(refusal.has_value(), c.refusal.has_value()) << d.shownLog();
    if (refusal) {
      EXPECT_EQ(refusal->reason, *c.refusal);
      EXPECT_FALSE(refusal->message.empty());
    }
  }
}

struct ApplyCase {
  const char* name;
  std::function<void(SessionDisk&)> arrange;
  Result result;
  std::optional<Reason> refusal;
  const char* model;  // the package folder's model.dwg afterwards
  size_t pauses = 0;  // waits for a file another program held
};

TEST(SessionApply, EndsWithItsOutcome) {
  const ApplyCase cases[] = {
      {"update", [](SessionDisk&) {}, Result::Installed, std::nullopt, "model v2"},
      {"first install",
       [](SessionDisk& d) {
         ASSERT_TRUE(d.fs.deleteFile(kPackageDir + u"dodatki.mdb"));
         ASSERT_TRUE(d.fs.deleteFile(kPackageDir + u"model.dwg"));
       },
       Result::Installed, std::nullopt, "model v2"},
      {"host running",
       [](SessionDisk& d) {
         d.fs.processList = {{7, u"VirelaPro.exe"}};
       },
       Result::Refused, Reason::HostRunning, "model v1"},
      {"a package rule broken",
       [](SessionDisk& d) {
         auto items = packageItems();
         items.insert(items.begin(), {u"P\\A.dwg", "x"});
         items.insert(items.begin(), {u"P\\a.dwg", "x"});
         d.withArchive(items);
       },
       Result::PackageRefused, std::nullopt, "model v1"},
      {"a package database that is none",
       [](SessionDisk& d) {
         auto items = packageItems();
         items.back().data = "no database";
         d.withArchive(items);
       },
       Result::Restored, std::nullopt, "model v1"},
      // A virus scanner or an indexer holds a file for a moment: the install waits for it.
      {"a replaced file held for a moment",
       [](SessionDisk& d) { d.fs.holdBriefly(kPackageDir + u"model.dwg", 3); }, Result::Installed,
       std::nullopt, "model v2", 3},
      {"the package's database held for a moment after the merge",
       [](SessionDisk& d) { d.fs.holdBriefly(kPackageDir + u"dodatki_new.mdb", 2); },
       Result::Installed, std::nullopt, "model v2", 2},
      // Memory runs out before anything is touched: refused, with the reason that says so.
      {"an unexpected error before the install",
       [](SessionDisk& d) {
         d.fs.shouldFail = [](fake::Op op, const Text& path) {
           if (op == fake::Op::Exists && path == kHost + u"dodatki\\") throw std::bad_alloc();
           return false;
         };
       },
       Result::Refused, Reason::UnexpectedError, "model v1"},
      {"a replaced file held longer than the waits",
       [](SessionDisk& d) { d.fs.holdBriefly(kPackageDir + u"model.dwg", 100); }, Result::Restored,
       std::nullopt, "model v1", std::size(plat::kInUseWaits)},
  };
  for (const ApplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    SessionDisk d;
    d.withArchive(packageItems());
    c.arrange(d);
    const std::string before = d.fs.fileExists(kPackageDir + u"dodatki.mdb")
                                   ? d.fs.readFile(kPackageDir + u"dodatki.mdb")
                                   : std::string();
    install::Observer none;
    const install::Outcome outcome = d.session().apply(kHost, u"P", none);
    EXPECT_EQ(outcome.result, c.result) << d.shownLog();
    EXPECT_EQ(outcome.refusal ? std::optional(outcome.refusal->reason) : std::nullopt, c.refusal);
    EXPECT_EQ(d.fs.readFile(kPackageDir + u"model.dwg"), c.model);
    EXPECT_EQ(d.fs.pauses.size(), c.pauses);
    EXPECT_EQ(std::count_if(d.lines.begin(), d.lines.end(),
                            [](const Text& l) {
                              return l.find(
                                         u"jest chwilowo używany przez inny program, ponawiamy "
                                         u"za") != Text::npos;
                            }),
              static_cast<std::ptrdiff_t>(c.pauses));
    if (c.result != Result::Installed && !before.empty()) {
      EXPECT_EQ(d.fs.readFile(kPackageDir + u"dodatki.mdb"), before);
    }
    for (const char16_t* own : {u"dodatki_old.mdb", u"dodatki_new.mdb", u"dodatki_install.jrn"}) {
      EXPECT_FALSE(d.fs.fileExists(kPackageDir + own)) << text::toUtf8(Text(own));
    }
  }
}

}  // namespace
