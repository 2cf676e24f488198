// One set of package rules: every crafted package below is judged alike by the unattended
// install and by mkinstaller verify, and one the installer refuses leaves the host's library
// (the databases of two packages among its files) exactly as it was.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/unattended.h"
#include "archive/zip_format.h"
#include "tests/archive/zip_fixtures.h"
#include "tests/install/install_fixture.h"
#include "tests/support/test_pictures.h"
#include "tools/mkinstaller/installer_check.h"

namespace installtest {
namespace {

using app::ExitCode;
using Items = std::vector<ziptest::Item>;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Stare krzesło"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};
const std::vector<Item> kMerged = {{1, u"Nowa szafa"}, {2, u"Stare krzesło"}, {3, u"Dodany stół"}};
const Text kLibrary = u"C:\\Nordeka\\CAD A\\dodatki\\";
const Text kOtherDatabase = kLibrary + u"Q\\dodatki.mdb";

std::string packageDatabase() {
  static const std::string bytes = [] {
    fake::FakePlatform fs;
    const Text path = u"C:\\dodatki.mdb";
    makeDatabase(fs, path, kPackage);
    return fs.readFile(path);
  }();
  return bytes;
}

// A package both judge good: a cover the window can show and a database of the right schema.
Items goodItems() {
  const std::vector<uint8_t> cover = fake::jpegHeader(1040, 585);
  return {{u"P.jpg", std::string(cover.begin(), cover.end())},
          {u"P.txt", "opis"},
          {u"P\\tekstury\\a.jpg", "texture"},
          {u"P\\model.dwg", "model v2"},
          {u"P\\dodatki.mdb", packageDatabase()}};
}

// The good package with extra entries just before its database, which comes last.
Items withExtra(const Items& extra) {
  Items items = goodItems();
  items.insert(items.end() - 1, extra.begin(), extra.end());
  return items;
}

std::string zipWithExtra(const Items& extra) {
  return ziptest::zipBytes(withExtra(extra));
}

// Entries 4 to 6 are three records of one Deflate stream: 64 KiB of the archive would unpack
// three times over.
std::string threeRecordsOneStream() {
  const std::string data(256 * 1024, '\0');
  std::string zip = zipWithExtra({{u"P\\a.bin", data}, {u"P\\b.bin", data}, {u"P\\c.bin", data}});
  const size_t first = ziptest::centralHeaderAt(zip, 4) + zipkit::fmt::central::localOffset;
  const uint32_t stream = zipkit::fmt::get32(reinterpret_cast<const uint8_t*>(zip.data() + first));
  for (size_t k : {5, 6}) {
    ziptest::put32(zip, ziptest::centralHeaderAt(zip, k) + zipkit::fmt::central::localOffset,
                   stream);
  }
  return zip;
}

// Entry 5's local header and data lie inside entry 4's stored data.
std::string entryInsideAnother() {
  const std::string inner = ziptest::zipBytes({{u"P\\y.bin", "inner", zipkit::Method::Stored}});
  const std::string innerEntry = inner.substr(0, ziptest::entryDataAt(inner, 0) + 5);
  std::string zip = zipWithExtra({{u"P\\x.bin", innerEntry, zipkit::Method::Stored},
                                  {u"P\\y.bin", "inner", zipkit::Method::Stored}});
  ziptest::put32(zip, ziptest::centralHeaderAt(zip, 5) + zipkit::fmt::central::localOffset,
                 static_cast<uint32_t>(ziptest::entryDataAt(zip, 4)));
  return zip;
}

// P\model.dwg (entry 3) declares 3 bytes and inflates to 8.
std::string dataBeyondDeclaredSize() {
  std::string zip = ziptest::zipBytes(goodItems());
  ziptest::put32(zip, ziptest::centralHeaderAt(zip, 3) + zipkit::fmt::central::size, 3);
  return zip;
}

enum class Verdict {
  Installed,       // exit 0; verify: OK
  Refused,         // exit 2, nothing touched; verify: the installer's reason
  FailsUnpacking,  // exit 5, the databases as they were; verify: the reader's reason
};

struct RuleCase {
  const char* name;
  std::function<std::string()> archive;
  Verdict verdict;
  Text line;        // the installer's important line, as the log shows it
  Text verifySays;  // what verify's findings say instead, when not the installer's line
};

void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << c.name;
}

// Every file below the host folder, with its bytes.
std::map<Text, std::string> hostFiles(fake::FakePlatform& fs) {
  std::map<Text, std::string> files;
  for (const Text& path : fs.listFiles(Scenario::kHost)) files[path] = fs.readFile(path);
  return files;
}

bool hasControlCharacter(const Text& line) {
  return std::any_of(line.begin(), line.end(), [](char16_t c) { return c < 0x20; });
}

class PackageRules : public testing::TestWithParam<RuleCase> {};

TEST_P(PackageRules, TheInstallerAndVerifyJudgeAlike) {
  const RuleCase& c = GetParam();
  Scenario s;
  s.makePrevious(kPrevious);
  s.fs.mkdirs(kLibrary + u"Q");
  makeDatabase(s.fs, kOtherDatabase, kPrevious);
  s.fs.writeFile(s.form.sourceZip, c.archive());
  s.wrapIntoExecutable();
  const std::string installer = s.fs.readFile(s.fs.exePath);
  const std::map<Text, std::string> before = hostFiles(s.fs);

  app::CommandLine line;
  line.silent = true;
  std::vector<Text> important;
  std::vector<Text> all;
  const logs::Log log(logs::IMPORTANT, [&](logs::Level, const Text& l) { important.push_back(l); });
  const ExitCode code = app::runUnattended(
      s.fs, line, log.withRecord([&](logs::Level, const Text& l) { all.push_back(l); }));
  const std::string shownLog = testing::PrintToString(apptest::utf8(all));

  const ExitCode expected[] = {ExitCode::Installed, ExitCode::NoPackage, ExitCode::FailedRestored};
  EXPECT_EQ(code, expected[static_cast<int>(c.verdict)]) << shownLog;
  EXPECT_TRUE(std::none_of(all.begin(), all.end(), hasControlCharacter)) << shownLog;
  if (c.verdict == Verdict::Installed) {
    EXPECT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), kMerged);
    // The cover and the description, in whatever letter case, stay out of the library.
    EXPECT_FALSE(s.fs.fileExists(kLibrary + u"P.jpg"));
    EXPECT_FALSE(s.fs.fileExists(kLibrary + u"P.txt"));
  } else {
    EXPECT_NE(std::find(important.begin(), important.end(), c.line), important.end()) << shownLog;
    const std::map<Text, std::string> after = hostFiles(s.fs);
    EXPECT_EQ(after.at(s.file(u"dodatki.mdb")), before.at(s.file(u"dodatki.mdb")));
    EXPECT_EQ(after.at(kOtherDatabase), before.at(kOtherDatabase));
    if (c.verdict == Verdict::Refused) {
      EXPECT_EQ(after, before) << "the host was touched";
    }
  }

  fake::FakePlatform tool;
  const Text exe = u"C:\\out\\installer.exe";
  tool.mkdirs(u"C:\\out");
  tool.mkdirs(u"C:\\scratch");
  tool.writeFile(exe, installer);
  const mkinstaller::InstallerReport report =
      mkinstaller::checkInstaller(tool, exe, u"C:\\scratch\\");
  std::ostringstream printed;
  mkinstaller::printReport(printed, report);
  if (c.verdict == Verdict::Installed) {
    EXPECT_FALSE(mkinstaller::hasErrors(report.findings)) << printed.str();
    return;
  }
  const Text says = c.verifySays.empty() ? c.line : c.verifySays;
  EXPECT_TRUE(std::any_of(report.findings.begin(), report.findings.end(),
                          [&](const mkinstaller::Finding& f) {
                            return f.severity == mkinstaller::Severity::Error &&
                                   text::escapeControls(f.problem).find(says) != Text::npos;
                          }))
      << "verify does not say " << text::toUtf8(says) << ":\n"
      << printed.str();
  // Verify unpacks nothing the installer would refuse to unpack.
  if (c.verdict == Verdict::Refused && c.verifySays.empty()) {
    EXPECT_EQ(report.unpackedBytes, 0u);
  }
}

const Text kRefused = u"Pakiet odrzucony: ";

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageRules,
    testing::Values(
        RuleCase{"good_package",
                 [] { return ziptest::zipBytes(goodItems()); },
                 Verdict::Installed,
                 {},
                 {}},
        RuleCase{"forward_slashes_inside_the_package",
                 [] {
                   Items items = goodItems();
                   items[2].name = u"P/tekstury/a.jpg";
                   items.back().name = u"P/dodatki.mdb";
                   return ziptest::zipBytes(items);
                 },
                 Verdict::Installed,
                 {},
                 {}},
        RuleCase{"previous_database_carried_along",
                 [] {
                   return zipWithExtra({{u"P\\dodatki_old.mdb", packageDatabase()}});
                 },
                 Verdict::Refused,
                 kRefused + u"plik o nazwie zastrzeżonej dla instalatora: `P\\dodatki_old.mdb`",
                 {}},
        RuleCase{"previous_database_by_its_short_name",
                 [] {
                   return zipWithExtra({{u"P\\DODATK~1.MDB", "x"}});
                 },
                 Verdict::Refused,
                 kRefused +
                     u"krótka nazwa systemu Windows (z ~ i cyfrą), która może wskazać inny plik: "
                     u"`P\\DODATK~1.MDB`",
                 {}},
        RuleCase{"new_database_side_file",
                 [] {
                   return zipWithExtra({{u"p/Dodatki_New.mdb", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"plik o nazwie zastrzeżonej dla instalatora: `p/Dodatki_New.mdb`",
                 {}},
        RuleCase{"install_journal",
                 [] {
                   return zipWithExtra({{u"P\\DODATKI_INSTALL.JRN", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"plik o nazwie zastrzeżonej dla instalatora: `P\\DODATKI_INSTALL.JRN`",
                 {}},
        RuleCase{
            "file_in_the_folder_of_replaced_files",
            [] {
              return zipWithExtra({{u"P/dodatki_install.old/1", "x"}});
            },
            Verdict::Refused,
            kRefused + u"plik o nazwie zastrzeżonej dla instalatora: `P/dodatki_install.old/1`",
            {}},
        RuleCase{"check_side_file",
                 [] {
                   return zipWithExtra({{u"P\\dodatki.mdb.old", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"plik o nazwie zastrzeżonej dla instalatora: `P\\dodatki.mdb.old`",
                 {}},
        RuleCase{"second_package_written_with_a_slash",
                 [] {
                   return zipWithExtra({{u"Q/dodatki.mdb", packageDatabase()}});
                 },
                 Verdict::Refused, u"Błędna zawartość pliku ZIP! (2 katalogów)",
                 u"2 package databases"},
        RuleCase{"another_packages_file",
                 [] {
                   return zipWithExtra({{u"Q/model.dwg", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"plik poza folderem pakietu: `Q/model.dwg`",
                 {}},
        RuleCase{"stray_at_the_top_level",
                 [] {
                   return zipWithExtra({{u"evil.exe", "MZ"}});
                 },
                 Verdict::Refused,
                 kRefused + u"plik poza folderem pakietu: `evil.exe`",
                 {}},
        RuleCase{"cover_and_description_in_other_letters",
                 [] {
                   Items items = goodItems();
                   items[0].name = u"P.JPG";
                   items[1].name = u"p.Txt";
                   return ziptest::zipBytes(items);
                 },
                 Verdict::Installed,
                 {},
                 {}},
        RuleCase{"a_second_cover_in_other_letters",
                 [] {
                   return zipWithExtra({{u"P.JPG", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"pliki `P.jpg` i `P.JPG` trafiłyby do jednego pliku (Windows nie "
                            u"rozróżnia wielkości liter)",
                 {}},
        RuleCase{"entries_differing_only_in_letter_case",
                 [] {
                   return zipWithExtra({{u"P\\a.txt", "a"}, {u"P\\A.txt", "A"}});
                 },
                 Verdict::Refused,
                 kRefused + u"pliki `P\\a.txt` i `P\\A.txt` trafiłyby do jednego pliku (Windows "
                            u"nie rozróżnia wielkości liter)",
                 {}},
        RuleCase{"folder_entry_in_place_of_the_database",
                 [] {
                   Items items = goodItems();
                   items.insert(items.begin(), {u"P\\dodatki.mdb\\", ""});
                   return ziptest::zipBytes(items);
                 },
                 Verdict::Refused,
                 kRefused + u"folder w miejscu bazy dodatki.mdb: `P\\dodatki.mdb\\`",
                 {}},
        RuleCase{"file_below_the_database",
                 [] {
                   return zipWithExtra({{u"P/Dodatki.mdb/x.txt", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"folder w miejscu bazy dodatki.mdb: `P/Dodatki.mdb/x.txt`",
                 {}},
        RuleCase{"package_named_parent_folder",
                 [] {
                   Items items = goodItems();
                   items.back().name = u"..\\dodatki.mdb";
                   return ziptest::zipBytes(items);
                 },
                 Verdict::Refused,
                 kRefused + u"ścieżka wychodząca poza folder biblioteki: `..\\dodatki.mdb`",
                 {}},
        RuleCase{"names_windows_cannot_create",
                 [] {
                   return zipWithExtra({{u"P\\co?.jpg", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"nazwa ze znakiem niedozwolonym w systemie Windows (< > \" | ? *): "
                            u"`P\\co?.jpg`",
                 {}},
        RuleCase{
            "line_break_forging_a_log_line",
            [] {
              return zipWithExtra({{u"P\\a\r\nWynik: zainstalowano; kod wyjścia: 0\r\n.jpg", "x"}});
            },
            Verdict::Refused,
            kRefused + u"nazwa ze znakiem sterującym: `P\\a\\x0D\\x0AWynik: zainstalowano; kod "
                       u"wyjścia: 0\\x0D\\x0A.jpg`",
            {}},
        RuleCase{"climbing_out",
                 [] {
                   return zipWithExtra({{u"P\\..\\..\\evil.dll", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"ścieżka wychodząca poza folder biblioteki: `P\\..\\..\\evil.dll`",
                 {}},
        RuleCase{"absolute_path",
                 [] {
                   return zipWithExtra({{u"\\Windows\\evil.dll", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"ścieżka bezwzględna: `\\Windows\\evil.dll`",
                 {}},
        RuleCase{"data_stream",
                 [] {
                   return zipWithExtra({{u"P\\a.jpg:ukryty", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"nazwa z dwukropkiem (dysk lub strumień danych): `P\\a.jpg:ukryty`",
                 {}},
        RuleCase{"device_name",
                 [] {
                   return zipWithExtra({{u"P\\CON.txt", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"nazwa urządzenia systemu Windows: `P\\CON.txt`",
                 {}},
        RuleCase{"name_longer_than_windows_allows",
                 [] {
                   return zipWithExtra({{u"P\\" + Text(256, u'x') + u".jpg", "x"}});
                 },
                 Verdict::Refused,
                 kRefused + u"nazwa dłuższa niż 255 znaków: `P\\" + Text(256, u'x') + u".jpg`",
                 u"260 characters long, over the 255 Windows allows"},
        RuleCase{"three_records_one_stream",
                 threeRecordsOneStream,
                 Verdict::Refused,
                 kRefused + u"pliki `P\\a.bin` i `P\\b.bin` dzielą te same dane archiwum",
                 {}},
        RuleCase{"entry_inside_another",
                 entryInsideAnother,
                 Verdict::Refused,
                 kRefused + u"pliki `P\\x.bin` i `P\\y.bin` dzielą te same dane archiwum",
                 {}},
        RuleCase{"data_beyond_the_declared_size",
                 dataBeyondDeclaredSize,
                 Verdict::FailsUnpacking,
                 u"Rozmiar pliku niezgodny z katalogiem archiwum: `P\\model.dwg`",
                 {}}));

// An unattended run of the scenario's installer where some drive may be short of room: its exit
// code, its important lines, and whether the host's files are as they were.
struct RoomRun {
  ExitCode code = ExitCode::FailedRestored;
  std::vector<Text> important;
  bool hostUntouched = false;
};

RoomRun runShortOfRoom(Scenario& s) {
  const std::map<Text, std::string> before = hostFiles(s.fs);
  RoomRun run;
  app::CommandLine line;
  line.silent = true;
  run.code = app::runUnattended(
      s.fs, line,
      logs::Log(logs::IMPORTANT, [&](logs::Level, const Text& l) { run.important.push_back(l); }));
  run.hostUntouched = hostFiles(s.fs) == before;
  return run;
}

// What the install writes on the library folder's drive must fit there: every unpacked file in
// whole clusters, and the merged database, as large as the previous one and the package's
// together. Refused with both figures before the host is touched, installed when it fits to the
// byte.
TEST(PackageRoom, FilesInWholeClustersAndTheMergedDatabaseMustFit) {
  struct Case {
    const char* what;
    uint64_t cluster;
    bool previous;
    size_t oneByteFiles;
  };
  const Case cases[] = {{"byte clusters", 1, true, 0},
                        {"4 KiB clusters", 4096, true, 0},
                        {"a first install", 4096, false, 0},
                        {"64 KiB clusters", 65536, true, 0},
                        {"many one-byte files", 4096, true, 4000}};
  for (const Case& c : cases) {
    Items items = goodItems();
    for (size_t i = 0; i < c.oneByteFiles; ++i) {
      items.insert(items.end() - 1, {u"P\\drobne\\" + text::num(static_cast<int64_t>(i)), "x"});
    }
    const auto room = [&](uint64_t size) { return (size + c.cluster - 1) / c.cluster * c.cluster; };
    for (const int64_t shortBy : {1, 0}) {
      SCOPED_TRACE(std::string(c.what) + (shortBy ? ", a byte short" : ", to the byte"));
      Scenario s;
      if (c.previous) s.makePrevious(kPrevious);
      const uint64_t previous = c.previous ? s.fs.readFile(s.file(u"dodatki.mdb")).size() : 0;
      const uint64_t database = packageDatabase().size();
      const uint64_t needed =
          room(7) + room(8) + room(database) + c.oneByteFiles * room(1) + room(database + previous);
      s.fs.writeFile(s.form.sourceZip, ziptest::zipBytes(items));
      s.wrapIntoExecutable();
      s.fs.clusterBytes = c.cluster;
      const uint64_t free = needed - static_cast<uint64_t>(shortBy);
      s.fs.freeBytes = free;
      const RoomRun run = runShortOfRoom(s);
      if (shortBy == 0) {
        EXPECT_EQ(run.code, ExitCode::Installed);
        continue;
      }
      EXPECT_EQ(run.code, ExitCode::NoPackage);
      EXPECT_EQ(
          run.important,
          std::vector<Text>{u"Za mało miejsca na dysku: pakiet zajmie " +
                            text::num(static_cast<int64_t>(needed)) + u" bajtów, a wolne jest " +
                            text::num(static_cast<int64_t>(free)) + u" bajtów."});
      EXPECT_TRUE(run.hostUntouched);
    }
  }
}

// The cover is all a run writes in its working folder, on the drive of the user's temporary
// folder, which need not be the library's: before it is taken out it must fit there in whole
// clusters of that drive, or the package is refused with both figures, no cover written, the host
// untouched. The library's drive, with room to spare, plays no part.
TEST(PackageRoom, TheCoverMustFitOnTheWorkingFoldersDrive) {
  const Text temp = u"T:\\Temp\\";
  const std::string cover = goodItems().front().data;
  for (const uint64_t cluster : {uint64_t{1}, uint64_t{4096}, uint64_t{65536}}) {
    const uint64_t needed = (cover.size() + cluster - 1) / cluster * cluster;
    for (const int64_t shortBy : {1, 0}) {
      SCOPED_TRACE(std::to_string(cluster) + "-byte clusters" +
                   (shortBy ? ", a byte short" : ", to the byte"));
      Scenario s;
      s.makePrevious(kPrevious);
      s.fs.writeFile(s.form.sourceZip, ziptest::zipBytes(goodItems()));
      s.wrapIntoExecutable();
      s.fs.tempDir = temp;
      s.fs.mkdirs(temp);
      s.fs.clusterBytesOnDrive[u'T'] = cluster;
      const uint64_t free = needed - static_cast<uint64_t>(shortBy);
      s.fs.freeBytesOnDrive[u'T'] = free;
      const RoomRun run = runShortOfRoom(s);
      if (shortBy == 0) {
        EXPECT_EQ(run.code, ExitCode::Installed);
        continue;
      }
      EXPECT_EQ(run.code, ExitCode::NoPackage);
      const Text refusal = u"Za mało miejsca na dysku: okładka pakietu w folderze roboczym " +
                           temp + u"instalator-4242-0\\ zajmie " +
                           text::num(static_cast<int64_t>(needed)) + u" bajtów, a wolne jest " +
                           text::num(static_cast<int64_t>(free)) + u" bajtów.";
      EXPECT_EQ(run.important, std::vector<Text>{refusal});
      EXPECT_TRUE(run.hostUntouched);
      for (const auto& [op, path] : s.fs.opLog) {
        EXPECT_FALSE(op == fake::Op::Write && path.rfind(temp, 0) == 0 &&
                     !path.ends_with(u"zip-offset.txt"))
            << text::toUtf8(path);
      }
    }
  }
}

}  // namespace
}  // namespace installtest
