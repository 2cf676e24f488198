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
  fs.writeFile(kLog, "2024-03-04 18:00:00 earlier run\r\n");
  {
    app::LogFile file(fs, kLog);
    file.write(u"Zażółć gęślą jaźń");
    fs.clock = {2024, 12, 31, 23, 59, 58};
    file.writeEnd(u"zainstalowano", 0);
  }
  EXPECT_EQ(fs.readFile(kLog),
            "2024-03-04 18:00:00 earlier run\r\n"
            "2024-03-05 09:07:02 Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 "
            "ja\xC5\xBA\xC5\x84\r\n"
            "2024-12-31 23:59:58 Wynik: zainstalowano; kod wyj\xC5\x9B\x63ia: 0\r\n");
}

TEST(LogFile, CannotBeCreatedInAMissingFolder) {
  fake::FakePlatform fs;
  EXPECT_THROW(app::LogFile(fs, u"C:\\brak\\a.log"), plat::FileError);
}

// The log never writes into a file the install reads or writes: nothing in a folder Windows
// reads as a library folder "dodatki"; and it appends only to an empty file or a log of ours.
// Refused files stay as they were; a log that merely mentions such names is appended to.
TEST(LogFile, RefusesFilesTheInstallReadsOrWrites) {
  struct Case {
    const char* what;
    Text path;
    std::string bytes;  // what the file held before; empty: no file
    bool refused;
  };
  const std::string jet = std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) + "rest";
  const Case cases[] = {
      {"in a package folder", u"C:\\Nordeka\\CAD A\\dodatki\\P\\a.log", "", true},
      {"the library folder in capitals, with a dot", u"C:\\Nordeka\\CAD A\\DODATKI.\\a.log", "",
       true},
      {"forward slashes", u"C:/Nordeka/CAD A/dodatki/a.log", "", true},
      {"relative, from a library folder", u"a.log", "", true},
      {"a package database", u"C:\\logi\\dodatki.mdb", jet, true},
      {"a package archive", u"C:\\logi\\packages.zip", "PK\x03\x04rest", true},
      {"an empty archive", u"C:\\logi\\empty.zip", "PK\x05\x06rest", true},
      {"a log beside the library folder", u"C:\\Nordeka\\CAD A\\dodatki.log", "", false},
      {"an earlier log", u"C:\\logi\\a.log", "2024-03-05 09:07:02 PK Standard Jet DB\r\n", false},
      {"a file too short for a log's first line", u"C:\\logi\\b.log", "PK", true},
      {"another installer", u"C:\\logi\\Kuchnie.exe", "MZ\x90\x00 program bytes", true},
      {"a text of someone else", u"C:\\logi\\notatki.txt", "Zakupy: stół, krzesła\r\n", true},
      {"a stamp of another shape", u"C:\\logi\\c.log", "2024/03/05 09:07:02 wpis\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::FakePlatform fs;
    fs.cwd = u"C:\\Nordeka\\CAD A\\dodatki";
    fs.mkdirs(u"C:\\Nordeka\\CAD A\\dodatki\\P");
    fs.mkdirs(u"C:\\Nordeka\\CAD A\\DODATKI.");
    fs.mkdirs(u"C:\\logi");
    if (!c.bytes.empty()) fs.writeFile(c.path, c.bytes);
    if (c.refused) {
      EXPECT_THROW(app::LogFile(fs, c.path), plat::FileError);
      if (c.bytes.empty()) {
        EXPECT_FALSE(fs.fileExists(c.path));
      } else {
        EXPECT_EQ(fs.readFile(c.path), c.bytes);
      }
    } else {
      app::LogFile(fs, c.path).write(u"wpis");
      EXPECT_TRUE(fs.readFile(c.path).ends_with(" wpis\r\n"));
    }
  }
}

// Names from the archive reach the log: a line break or NUL in one is shown, never written.
TEST(LogFile, ControlCharactersOfALineAreEscaped) {
  fake::FakePlatform fs;
  fs.mkdirs(u"C:\\logi");
  {
    app::LogFile file(fs, kLog);
    const logs::Log log = logs::Log().withRecord(file.sink());
    log.debug(Text(u"P\\a\r\nWynik: zainstalowano\x00\x7F\u0085\u2028.jpg", 33));
  }
  EXPECT_EQ(fs.readFile(kLog),
            "2024-03-05 09:07:02 P\\a\\x0D\\x0AWynik: zainstalowano\\x00\\x7F\\x85\\u2028.jpg\r\n");
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
  logged.form.setRecord([&](logs::Level, const Text& l) { recorded.push_back(l); });
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
