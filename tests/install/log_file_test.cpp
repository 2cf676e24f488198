// The log file of "/LOG=": appended lines with their time, a failed write that the install
// outlives, and a window whose looks the file leaves alone.
#include "app/log_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/unattended.h"
#include "archive/installer_layout.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

const Text kLog = u"C:\\logi\\instalacja.log";

TEST(LogFile, AppendsStampedUtf8LinesAfterWhatTheFileHeld) {
  fake::FakePlatform fs;
  fs.mkdirs(u"C:\\logi");
  fs.writeFile(kLog, "earlier run\r\n");
  {
    app::LogFile file(fs, kLog);
    file.write(u"Zażółć gęślą jaźń");
    fs.clock = {2024, 12, 31, 23, 59, 58};
    file.writeEnd(u"zainstalowano", 0);
  }
  EXPECT_EQ(fs.readFile(kLog),
            "earlier run\r\n"
            "2024-03-05 09:07:02 Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 "
            "ja\xC5\xBA\xC5\x84\r\n"
            "2024-12-31 23:59:58 Wynik: zainstalowano; kod wyj\xC5\x9B\x63ia: 0\r\n");
}

TEST(LogFile, CannotBeCreatedInAMissingFolder) {
  fake::FakePlatform fs;
  EXPECT_THROW(app::LogFile(fs, u"C:\\brak\\a.log"), plat::FileError);
}

// Every write to the log fails once the run has started: the install still completes.
TEST(LogFile, FailedWritesNeverStopTheInstall) {
  Scenario s;
  s.makePrevious({{1, u"Stara szafa"}});
  s.makePackage(std::vector<Item>{{1, u"Nowa szafa"}});
  const std::string program = "MZ";
  s.fs.mkdirs(s.fs.tempDir);
  s.fs.writeFile(s.fs.exePath, program + s.fs.readFile(s.form.sourceZip) + layout::kMark +
                                   layout::formatTrailer(program.size()));
  s.fs.mkdirs(u"C:\\logi");
  app::LogFile file(s.fs, kLog);
  s.fs.shouldFail = [](fake::Op op, const Text& path) {
    return op == fake::Op::Write && path == kLog;
  };
  app::CommandLine line;
  line.silent = true;
  EXPECT_EQ(app::runUnattended(s.fs, line, logs::Log().withRecord(file.sink())),
            app::ExitCode::Installed);
  EXPECT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), (std::vector<Item>{{1, u"Nowa szafa"}}));
  EXPECT_EQ(s.fs.readFile(kLog), "");
}

// The file takes the debug lines while the window, at its normal level, shows what it always
// showed.
TEST(LogFile, WindowKeepsItsLevel) {
  apptest::Form plain, logged;
  std::vector<Text> recorded;
  logged.form.setRecord([&](int32_t, const Text& l) { recorded.push_back(l); });
  for (apptest::Form* f : {&plain, &logged}) {
    f->form.FormCreate();
    f->form.log().debug(u"ślad");
    f->form.info(app::IMPORTANT, u"ważne");
  }
  EXPECT_EQ(logged.memo(), plain.memo());
  EXPECT_EQ(logged.form.log_level, app::IMPORTANT);
  EXPECT_NE(std::find(recorded.begin(), recorded.end(), u"Inicjalizacja."), recorded.end());
  EXPECT_EQ(recorded.back(), u"ważne");
  EXPECT_EQ(recorded[recorded.size() - 2], u"ślad");
}

}  // namespace
}  // namespace installtest
