// The unattended install of "/S": each exit code from the state of the machine, what the run
// leaves behind, and the log it writes.
#include "app/unattended.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

using app::ExitCode;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Stare krzesło"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};

struct UnattendedCase {
  const char* name;
  std::function<void(Scenario&, app::CommandLine&)> arrange;
  ExitCode code;
  std::vector<Item> afterwards;  // the package folder's database rows after the run
};

void PrintTo(const UnattendedCase& c, std::ostream* os) {
  *os << c.name;
}

class Unattended : public testing::TestWithParam<UnattendedCase> {};

TEST_P(Unattended, EndsWithItsExitCode) {
  Scenario s;
  s.makePrevious(kPrevious);
  s.makePackage(kPackage);
  s.wrapIntoExecutable();
  app::CommandLine line;
  line.silent = true;
  GetParam().arrange(s, line);
  const std::string before = s.bytes(u"dodatki.mdb");
  // The window's own working folder, kept at the debug level, is there before the run.
  const std::vector<Text> tempBefore = s.fs.subFolders(s.fs.tempDir);

  std::vector<Text> lines;
  const logs::Log log =
      logs::Log().withRecord([&](logs::Level, const Text& l) { lines.push_back(l); });
  EXPECT_EQ(app::runUnattended(s.fs, line, log), GetParam().code)
      << testing::PrintToString(apptest::utf8(lines));

  EXPECT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), GetParam().afterwards);
  if (GetParam().code == ExitCode::Installed) {
    EXPECT_TRUE(s.has(u"model.dwg"));
    EXPECT_FALSE(s.has(u"dodatki_old.mdb"));
    EXPECT_FALSE(s.has(u"dodatki_new.mdb"));
  } else {
    EXPECT_EQ(s.bytes(u"dodatki.mdb"), before);
    EXPECT_FALSE(s.has(u"model.dwg"));
  }
  // The run's own working folder is gone; the temporary folder holds nothing of it.
  EXPECT_EQ(s.fs.subFolders(s.fs.tempDir), tempBefore);
}

const std::vector<Item> kMerged = {{1, u"Nowa szafa"}, {2, u"Stare krzesło"}, {3, u"Dodany stół"}};

INSTANTIATE_TEST_SUITE_P(
    Runs, Unattended,
    testing::Values(UnattendedCase{"the_one_installation_found",
                                   [](Scenario&, app::CommandLine&) {}, ExitCode::Installed,
                                   kMerged},
                    UnattendedCase{"host_folder_given_among_two",
                                   [](Scenario& s, app::CommandLine& line) {
                                     s.fs.addDrive(u"D:\\");
                                     s.fs.mkdirs(u"D:\\Nordeka\\CAD B\\dodatki");
                                     line.hostFolder = Scenario::kHost;
                                   },
                                   ExitCode::Installed, kMerged},
                    UnattendedCase{"no_package_in_the_executable",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.writeFile(s.fs.exePath, std::string(3000, 'x'));
                                   },
                                   ExitCode::NoPackage, kPrevious},
                    UnattendedCase{"two_installations_and_no_host_folder",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.addDrive(u"D:\\");
                                     s.fs.mkdirs(u"D:\\Nordeka\\CAD B\\dodatki");
                                   },
                                   ExitCode::NoHostFolder, kPrevious},
                    // The window shows nothing of such a cover and offers no install.
                    UnattendedCase{"cover_that_is_no_picture",
                                   [](Scenario& s, app::CommandLine&) {
                                     {
                                       zipkit::ZipWriter zip(s.fs, s.form.sourceZip);
                                       zip.addFile(u"P.jpg", "no picture");
                                       zip.addFile(u"P\\model.dwg", "model v2");
                                       zip.addFile(u"P\\dodatki.mdb", "db");
                                       zip.finish();
                                     }
                                     s.wrapIntoExecutable();
                                   },
                                   ExitCode::NoPackage, kPrevious},
                    UnattendedCase{"host_folder_without_a_library",
                                   [](Scenario& s, app::CommandLine& line) {
                                     s.fs.mkdirs(u"D:\\Inne");
                                     line.hostFolder = u"D:\\Inne\\";
                                   },
                                   ExitCode::NoHostFolder, kPrevious},
                    UnattendedCase{"host_program_running",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.processList = {{7, u"VirelaPro.exe"}};
                                   },
                                   ExitCode::HostBusy, kPrevious},
                    UnattendedCase{"backup_left_by_an_interrupted_run",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.writeFile(s.file(u"dodatki_old.mdb"), "old");
                                   },
                                   ExitCode::InterruptedInstall, kPrevious},
                    UnattendedCase{"database_in_use",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.holdOpen(s.file(u"dodatki.mdb"));
                                   },
                                   ExitCode::HostBusy, kPrevious},
                    UnattendedCase{"process_list_unreadable",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.shouldFail = [](fake::Op op, const Text&) {
                                       return op == fake::Op::Processes;
                                     };
                                   },
                                   ExitCode::ProcessListUnreadable, kPrevious},
                    // An error no step names, here while the drives are searched: nothing
                    // was touched, and the code says so instead of "database put back".
                    UnattendedCase{"unexpected_error_before_the_install",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.shouldFail = [](fake::Op op, const Text& path) {
                                       if (op == fake::Op::Exists && path == u"C:\\Nordeka\\") {
                                         throw std::bad_alloc();
                                       }
                                       return false;
                                     };
                                   },
                                   ExitCode::StoppedUnchanged, kPrevious},
                    UnattendedCase{"work_folder_cannot_be_made",
                                   [](Scenario& s, app::CommandLine&) {
                                     s.fs.shouldFail = [](fake::Op op, const Text&) {
                                       return op == fake::Op::CreateDir;
                                     };
                                   },
                                   ExitCode::WorkFolderFailed, kPrevious}),
    [](const testing::TestParamInfo<UnattendedCase>& info) {
      return std::string(info.param.name);
    });

// Both front ends take the same decision: a package without its cover is no package to install,
// for the window as for "/S", which ends with code 2 and the window's reason.
TEST(UnattendedAndWindow, RefuseAPackageWithoutACoverForTheSameReason) {
  Scenario s;
  s.makePrevious(kPrevious);
  {
    zipkit::ZipWriter zip(s.fs, s.form.sourceZip);
    zip.addFile(u"P\\model.dwg", "model v2");
    zip.addFile(u"P\\dodatki.mdb", "db");
    zip.finish();
  }
  s.wrapIntoExecutable();
  app::CommandLine line;
  line.silent = true;
  std::vector<Text> important;
  const logs::Log log(logs::IMPORTANT, [&](logs::Level, const Text& l) { important.push_back(l); });

  EXPECT_EQ(app::runUnattended(s.fs, line, log), ExitCode::NoPackage);
  EXPECT_EQ(important,
            (std::vector<Text>{u"Brak okładki pakietu !", u"Brak pakietu do instalacji !"}));
  EXPECT_FALSE(s.has(u"model.dwg"));

  s.form.formCover = false;
  s.form.bnInstallSetDisable();
  s.form.AfterShow();
  EXPECT_EQ(s.window.infoLabel(), u"Brak pakietu do instalacji !");
  EXPECT_FALSE(s.window.visible(app::Ctl::bnInstallNormal) &&
               s.window.enabled(app::Ctl::bnInstallNormal));
}

// The record holds the row changes of the merge instead of its comparisons, and every debug line
// although nothing is shown anywhere.
TEST(UnattendedLog, RecordsRowChangesInsteadOfComparisons) {
  Scenario s;
  s.makePrevious(kPrevious);
  s.makePackage(std::vector<Item>{{1, u"Nowa szafa"}, {2, u"DELETE"}, {3, u"Dodany stół"}});
  s.wrapIntoExecutable();
  app::CommandLine line;
  line.silent = true;
  std::vector<Text> lines;
  const logs::Log log =
      logs::Log().withRecord([&](logs::Level, const Text& l) { lines.push_back(l); });
  ASSERT_EQ(app::runUnattended(s.fs, line, log), ExitCode::Installed);

  const auto has = [&](const Text& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
  };
  EXPECT_TRUE(has(u"Dodatki [1] Nowa szafa - zaktualizowano"));
  EXPECT_TRUE(has(u"Dodatki [2] Stare krzesło - usunięto"));
  EXPECT_TRUE(has(u"Dodatki [3] Dodany stół - dopisano"));
  EXPECT_TRUE(has(u"Przenosimy dodatki z dodatki_new.mdb"));
  EXPECT_TRUE(has(u"Poprawnie zakończono instalację."));
  // Comparison lines: "1 : 1" of the first pass, "[DN] 1" of the second.
  EXPECT_FALSE(has(u"1 : 1"));
  EXPECT_FALSE(has(u"[DN] 1"));
  EXPECT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")),
            (std::vector<Item>{{1, u"Nowa szafa"}, {3, u"Dodany stół"}}));
}

}  // namespace
}  // namespace installtest
