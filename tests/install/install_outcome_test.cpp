// The install transaction without a window: the outcome it returns for each way a run ends, the
// order in which it tells an observer, and that it logs what the window's log shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "install/install_transaction.h"
#include "install/package_hold.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

using Result = install::Outcome::Result;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};

// Writes down what the run tells it, one word per call.
class RecordingObserver : public install::Observer {
 public:
  std::vector<std::string> calls;
  void started() override { calls.push_back("started"); }
  void working() override { calls.push_back("working"); }
  void unpacking(int percent) override {
    if (calls.back() != "unpacking") calls.push_back("unpacking");
    last = percent;
  }
  void succeeded() override { calls.push_back("succeeded"); }
  void finishing(bool success) override {
    calls.push_back(success ? "finishing success" : "finishing failure");
  }
  int last = -1;
};

struct OutcomeCase {
  const char* name;
  std::function<void(Scenario&)> arrange;
  Result result;
  // The outcome's detail: the refusal's message or the backup's path (relative to the package
  // folder); empty for the others.
  Text detail;
  std::vector<std::string> calls;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) {
  *os << c.name;
}

const std::vector<std::string> kFullRun = {"started", "working", "unpacking", "succeeded",
                                           "finishing success"};
const std::vector<std::string> kFailedRun = {"started", "working", "unpacking",
                                             "finishing failure"};

class InstallOutcome : public testing::TestWithParam<OutcomeCase> {};

TEST_P(InstallOutcome, TellsHowTheRunEnded) {
  Scenario s;
  GetParam().arrange(s);
  RecordingObserver observer;
  std::vector<Text> lines;
  const logs::Log log(logs::DEBUG, [&](logs::Level, const Text& line) { lines.push_back(line); });
  const install::Outcome outcome =
      install::run(s.fs, {Scenario::kHost, u"P", s.form.sourceZip}, log, observer);

  EXPECT_EQ(outcome.result, GetParam().result);
  const Text detail =
      GetParam().result == Result::BackupKept ? s.file(GetParam().detail) : GetParam().detail;
  EXPECT_EQ(outcome.detail, detail);
  EXPECT_EQ(outcome.installed(), GetParam().result == Result::Installed);
  EXPECT_EQ(observer.calls, GetParam().calls);
  if (GetParam().result == Result::Installed) {
    EXPECT_EQ(observer.last, 100);
  }
  // A refusal's message is also the one line logged.
  if (outcome.refused()) {
    EXPECT_EQ(lines, std::vector<Text>{detail});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, InstallOutcome,
    testing::Values(OutcomeCase{"update",
                                [](Scenario& s) {
                                  s.makePrevious(kPrevious);
                                  s.makePackage(kPackage);
                                },
                                Result::Installed, u"", kFullRun},
                    OutcomeCase{"merge_fails_and_the_previous_database_is_put_back",
                                [](Scenario& s) {
                                  s.makePrevious(kPrevious);
                                  s.makePackage(std::nullopt);
                                },
                                Result::Restored, u"", kFailedRun},
                    OutcomeCase{"restore_fails_and_the_backup_is_kept",
                                [](Scenario& s) {
                                  s.makePrevious(kPrevious);
                                  s.makePackage(std::nullopt);
                                  const Text database = s.file(u"dodatki.mdb");
                                  s.fs.shouldFail = [database](fake::Op op, const Text& path) {
                                    return op == fake::Op::Delete &&
                                           fake::pathKey(path) == fake::pathKey(database);
                                  };
                                },
                                Result::BackupKept, u"dodatki_old.mdb", kFailedRun},
                    OutcomeCase{"missing_archive",
                                [](Scenario& s) { s.makePrevious(kPrevious); },
                                Result::Restored,
                                u"",
                                {"started", "finishing failure"}},
                    OutcomeCase{
                        "backup_of_an_interrupted_run",
                        [](Scenario& s) {
                          s.makePrevious(kPrevious);
                          s.makePackage(kPackage);
                          s.fs.writeFile(s.file(u"dodatki_old.mdb"), "older");
                        },
                        Result::Refused,
                        u"Znaleziono plik dodatki_old.mdb z przerwanej instalacji. Przenieś go w "
                        u"bezpieczne miejsce i spróbuj ponownie.",
                        {}},
                    // The package is checked again before the host is touched.
                    OutcomeCase{"package_breaking_a_package_rule",
                                [](Scenario& s) {
                                  s.makePrevious(kPrevious);
                                  zipkit::ZipWriter zip(s.fs, s.form.sourceZip);
                                  zip.addFile(u"P.jpg", "cover");
                                  zip.addFile(u"P\\dodatki.mdb\\stray.txt", "x");
                                  zip.finish();
                                },
                                Result::PackageRefused,
                                u"Pakiet odrzucony: folder w miejscu bazy dodatki.mdb: "
                                u"`P\\dodatki.mdb\\stray.txt`",
                                {}},
                    OutcomeCase{"host_running",
                                [](Scenario& s) {
                                  s.makePackage(kPackage);
                                  s.fs.processList = {{17, u"VirelaPro.exe"}};
                                },
                                Result::Refused,
                                u"Wyłącz program VirelaPro.exe i spróbuj ponownie.",
                                {}}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

// The window's log of a click is the run's log with the lines of the window's own looks.
TEST(InstallOutcomeLog, TheWindowLogsWhatTheRunLogs) {
  Scenario window;
  window.makePrevious(kPrevious);
  window.makePackage(kPackage);
  const size_t before = window.memo().size();
  window.form.ButtonInstallClick();
  std::vector<Text> shown(window.memo().begin() + static_cast<std::ptrdiff_t>(before),
                          window.memo().end());

  Scenario bare;
  bare.makePrevious(kPrevious);
  bare.makePackage(kPackage);
  std::vector<Text> logged;
  const logs::Log log(logs::DEBUG, [&](logs::Level, const Text& line) { logged.push_back(line); });
  install::Observer none;
  const install::PackageHold hold = install::holdPackage(bare.fs, Scenario::kHost, u"P", log);
  ASSERT_TRUE(
      install::run(bare.fs, {Scenario::kHost, u"P", bare.form.sourceZip}, log, none).installed());

  const std::vector<Text> looks = {u"SET ACTIVE na klawiszu INSTALL", u"SET FINISH na objektach",
                                   u"Blokujemy klawisz INSTALL"};
  std::erase_if(shown, [&](const Text& l) {
    return std::find(looks.begin(), looks.end(), l) != looks.end();
  });
  EXPECT_EQ(apptest::utf8(shown), apptest::utf8(logged));
}

}  // namespace
}  // namespace installtest
