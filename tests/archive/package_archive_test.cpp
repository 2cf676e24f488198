// The package archive steps over the in-memory platform: package detection, the cover lookup and
// the whole-package extraction with its log and progress.
#include "archive/package_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/archive/zip_fixtures.h"
#include "tests/support/fake_platform.h"

namespace {

using text::Text;
using ziptest::Item;

std::vector<std::string> utf8(const std::vector<Text>& lines) {
  std::vector<std::string> out;
  for (const Text& l : lines) out.push_back(text::toUtf8(l));
  return out;
}

class PackageArchiveTest : public testing::Test {
 protected:
  fake::FakePlatform fs;
  const Text kLib = u"C:\\CAD A\\dodatki\\";
  const Text kWork = u"C:\\run\\tmp\\";
  const Text kArchive = kWork + u"packages.zip";
  std::vector<Text> lines;
  Text lastImportant;
  std::vector<int> gaugeSteps;
  const logs::Log log{logs::DEBUG, [this](logs::Level level, const Text& line) {
                        lines.push_back(line);
                        if (level == logs::IMPORTANT) lastImportant = line;
                      }};
  // What a gauge starting at 0 shows: each value the progress changes it to.
  const pkg::Progress progress = [this](int percent) {
    if (percent != (gaugeSteps.empty() ? 0 : gaugeSteps.back())) gaugeSteps.push_back(percent);
  };

  void SetUp() override {
    fs.mkdirs(kWork);
    fs.mkdirs(kLib);
  }

  void writeArchive(const std::vector<Item>& items) { ziptest::writeZip(fs, kArchive, items); }
  static std::vector<Item> named(const std::vector<Text>& names) {
    std::vector<Item> items;
    for (const Text& n : names) items.push_back({n, text::toUtf8(n)});
    return items;
  }
  std::string lib(const Text& relative) { return fs.readFile(kLib + relative); }
  // The log lines added since the log held `mark` lines.
  std::vector<Text> logSince(size_t mark) const {
    return std::vector<Text>(lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end());
  }
  bool logged(const Text& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool unpack(const Text& archive, const Text& package = u"P") {
    return pkg::extractPackage(fs, archive, kLib, package, log, progress);
  }
};

TEST_F(PackageArchiveTest, DetectsPackageFoldersByTheirDatabaseEntry) {
  struct Case {
    const char* what;
    std::vector<Text> entries;
    std::vector<Text> folders;
  } cases[] = {
      {"one package", {u"P.jpg", u"P\\tex\\a.jpg", u"P.txt", u"P\\dodatki.mdb"}, {u"P"}},
      {"look-alikes only",
       {u"P\\Dodatki.mdb", u"P\\sub\\dodatki.mdb", u"P/sub\\dodatki.mdb", u"\\dodatki.mdb",
        u"/dodatki.mdb", u"dodatki.mdb", u"P\\dodatki.mdbx", u"P\\xdodatki.mdb",
        u"P\\dodatki.mdb\\"},
       {}},
      // Either separator names the package, as either one separates folders when unpacking.
      {"forward slash", {u"P/dodatki.mdb", u"Q\\dodatki.mdb"}, {u"P", u"Q"}},
      {"two packages", {u"A\\dodatki.mdb", u"x.txt", u"B\\dodatki.mdb"}, {u"A", u"B"}},
      {"one folder named twice", {u"A\\dodatki.mdb", u"A\\dodatki.mdb"}, {u"A", u"A"}},
      {"polish folder name", {u"Łóżka Żółte\\dodatki.mdb"}, {u"Łóżka Żółte"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeArchive(named(c.entries));
    const size_t mark = lines.size();
    EXPECT_EQ(pkg::packageFolders(fs, kArchive, log), c.folders);
    std::vector<Text> expectedLog;
    for (const Text& f : c.folders) {
      expectedLog.push_back(u"Znaleziono podkatalog w ZIP : `" + f + u"`");
    }
    EXPECT_EQ(utf8(logSince(mark)), utf8(expectedLog));
  }
}

TEST_F(PackageArchiveTest, SearchNamesThePackageOnlyForExactlyOnePackage) {
  struct Case {
    std::vector<Text> entries;
    std::optional<Text> package;
    std::vector<Text> log;
    bool refused = false;
  } cases[] = {
      {{u"P.jpg", u"P\\dodatki.mdb"}, u"P", {u"Znaleziono podkatalog w ZIP : `P`"}},
      {{u"P.jpg", u"P/dodatki.mdb"}, u"P", {u"Znaleziono podkatalog w ZIP : `P`"}},
      {{u"P.jpg", u"P\\a.jpg"}, std::nullopt, {u"Błędna zawartość pliku ZIP! (0 katalogów)"}},
      {{u"A\\dodatki.mdb", u"B/dodatki.mdb"},
       std::nullopt,
       {u"Znaleziono podkatalog w ZIP : `A`", u"Znaleziono podkatalog w ZIP : `B`",
        u"Błędna zawartość pliku ZIP! (2 katalogów)", u"[ A ] - PAKIET", u"[ B ] - PAKIET"}},
      // A package that breaks a package rule is not offered at all.
      {{u"P.jpg", u"P\\dodatki_old.mdb", u"P\\dodatki.mdb"},
       std::nullopt,
       {u"Znaleziono podkatalog w ZIP : `P`",
        u"Pakiet odrzucony: plik o nazwie zastrzeżonej dla instalatora: `P\\dodatki_old.mdb`"},
       true},
  };
  for (const Case& c : cases) {
    writeArchive(named(c.entries));
    const size_t mark = lines.size();
    const pkg::PackageSearch search = pkg::searchPackage(fs, kArchive, log);
    EXPECT_TRUE(search.archiveFound);
    EXPECT_EQ(search.package, c.package);
    EXPECT_EQ(search.refusal.has_value(), c.refused);
    EXPECT_EQ(utf8(logSince(mark)), utf8(c.log));
  }
}

TEST_F(PackageArchiveTest, SearchWithoutAnArchiveReportsIt) {
  const pkg::PackageSearch search = pkg::searchPackage(fs, kArchive, log);
  EXPECT_FALSE(search.archiveFound);
  EXPECT_EQ(text::toUtf8(lastImportant), "Brak pliku paczki : `C:\\run\\tmp\\packages.zip`");
}

TEST_F(PackageArchiveTest, UnusableArchivesGiveNoFolders) {
  fs.writeFile(kArchive, "not a zip at all");
  EXPECT_TRUE(pkg::searchPackage(fs, kArchive, log).archiveFound);
  EXPECT_TRUE(logged(u"Plik jest uszkodzony lub zawiera błędy!"));
  EXPECT_EQ(text::toUtf8(lastImportant), "Błędna zawartość pliku ZIP! (0 katalogów)");

  std::string zip = ziptest::zipBytes(named({u"P\\dodatki.mdb"}));
  zip[ziptest::centralHeaderAt(zip, 0)] = 'X';
  fs.writeFile(kArchive, zip);
  EXPECT_TRUE(pkg::packageFolders(fs, kArchive, log).empty());
  EXPECT_EQ(text::toUtf8(lastImportant), "Uszkodzony katalog archiwum ZIP.");
}

TEST_F(PackageArchiveTest, CoverLookupIgnoresAsciiLetterCase) {
  for (const bool coverFirst : {true, false}) {
    std::vector<Item> items = {{u"P\\dodatki.mdb", "db"}, {u"P\\a.txt", "a"}};
    items.insert(coverFirst ? items.begin() : items.end(), Item{u"P.JPG", "jpeg"});
    writeArchive(items);
    const size_t mark = lines.size();
    EXPECT_TRUE(pkg::extractEntry(fs, kArchive, kWork, u"P.jpg", log));
    EXPECT_EQ(fs.readFile(kWork + u"P.jpg"), "jpeg");
    EXPECT_EQ(utf8(logSince(mark)),
              utf8({u"Rozpakowywujemy z `C:\\run\\tmp\\packages.zip` plik `P.jpg` do "
                    u"katalogu `C:\\run\\tmp\\`"}));
  }
  EXPECT_FALSE(pkg::extractEntry(fs, kArchive, kWork, u"Q.jpg", log));
  EXPECT_FALSE(pkg::extractEntry(fs, u"C:\\none.zip", kWork, u"P.jpg", log));
}

TEST_F(PackageArchiveTest, CoverExtractionLetsReaderErrorsThrough) {
  std::string zip = ziptest::zipBytes({{u"P.jpg", "jpeg data", zipkit::Method::Stored}});
  zip[ziptest::entryDataAt(zip, 0)] ^= 1;
  fs.writeFile(kArchive, zip);
  try {
    pkg::extractEntry(fs, kArchive, kWork, u"P.jpg", log);
    ADD_FAILURE() << "no error";
  } catch (const text::Error& e) {
    EXPECT_EQ(text::toUtf8(e.message()), "Błąd sumy kontrolnej CRC pliku: `P.jpg`");
  }
  EXPECT_FALSE(fs.fileExists(kWork + u"P.jpg"));
}

TEST_F(PackageArchiveTest, UnpacksEverythingButTheExactCoverAndDescription) {
  writeArchive({{u"P.jpg", "cover"},
                {u"P.txt", "about"},
                {u"P\\textures\\a.jpg", "tex"},
                {u"P\\models\\", ""},
                {u"P/settings/s.ini", "ini"},
                {u"P\\dodatki.mdb", "db"}});
  EXPECT_TRUE(unpack(kArchive));
  EXPECT_FALSE(fs.fileExists(kLib + u"P.jpg"));
  EXPECT_FALSE(fs.fileExists(kLib + u"P.txt"));
  EXPECT_EQ(lib(u"P\\textures\\a.jpg"), "tex");
  EXPECT_TRUE(fs.directoryExists(kLib + u"P\\models"));
  EXPECT_EQ(lib(u"P\\settings\\s.ini"), "ini");
  EXPECT_EQ(lib(u"P\\dodatki.mdb"), "db");
  EXPECT_EQ(utf8(lines), utf8({u"maxFiles = 5", u"P\\textures\\a.jpg", u"P\\models\\",
                               u"P/settings/s.ini", u"P\\dodatki.mdb"}));
  // Positions 0 and 1 are skipped, so the gauge starts at 2/5.
  EXPECT_EQ(gaugeSteps, (std::vector<int>{40, 60, 80, 100}));
}

// The installer finds the cover without regard to letter case, so it never unpacks it either.
TEST_F(PackageArchiveTest, CoverAndDescriptionInOtherLetterCaseAreNotUnpacked) {
  writeArchive({{u"P.JPG", "cover"}, {u"p.txt", "about"}, {u"P\\dodatki.mdb", "db"}});
  EXPECT_TRUE(unpack(kArchive));
  EXPECT_FALSE(fs.fileExists(kLib + u"P.JPG"));
  EXPECT_FALSE(fs.fileExists(kLib + u"p.txt"));
  EXPECT_EQ(lib(u"P\\dodatki.mdb"), "db");
}

TEST_F(PackageArchiveTest, GaugeRoundsHalvesToEven) {
  std::vector<Item> items;
  for (int i = 0; i < 9; ++i) items.push_back({u"P\\f" + text::num(i), "x"});
  writeArchive(items);
  EXPECT_TRUE(unpack(kArchive));
  // 1/8, 3/8, 5/8 and 7/8 are exact halves: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
  EXPECT_EQ(gaugeSteps, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST_F(PackageArchiveTest, GaugeFollowsEveryEntryOfAFullPackage) {
  std::vector<Item> items = {{u"P.jpg", "c"}, {u"P.txt", "t"}};
  for (int i = 2; i < 47; ++i) items.push_back({u"P\\pliki\\f" + text::num(i) + u".dat", "d"});
  items.push_back({u"P\\dodatki.mdb", "db"});
  ASSERT_EQ(items.size(), 48u);
  writeArchive(items);
  EXPECT_TRUE(unpack(kArchive));

  std::vector<Text> expectedLog = {u"maxFiles = 47"};
  std::vector<int> expectedGauge;
  for (int i = 2; i < 48; ++i) {
    expectedLog.push_back(items[i].name);
    expectedGauge.push_back((200 * i + 47) / 94);  // round(100 i / 47); 47 gives no halves
  }
  EXPECT_EQ(utf8(lines), utf8(expectedLog));
  EXPECT_EQ(gaugeSteps, expectedGauge);
  EXPECT_EQ(gaugeSteps.back(), 100);
  EXPECT_EQ(fs.listFiles(kLib).size(), 46u);
}

TEST_F(PackageArchiveTest, FailingEntryStopsTheUnpackingAndKeepsEarlierFiles) {
  struct Case {
    const char* what;
    Text badName;
    std::function<void()> prepare;
    const char* message;
  } cases[] = {
      {"read-only target", u"P\\b.txt",
       [&] {
         fs.writeFile(kLib + u"P\\b.txt", "locked");
         fs.setReadOnly(kLib + u"P\\b.txt");
       },
       "Brak dostępu do pliku `C:\\CAD A\\dodatki\\P\\b.txt`."},
      {"name climbing out", u"..\\..\\evil.txt", [] {},
       "Niedozwolona ścieżka w archiwum: `..\\..\\evil.txt`"},
      {"absolute name", u"\\Windows\\evil.txt", [] {},
       "Niedozwolona ścieżka w archiwum: `\\Windows\\evil.txt`"},
      {"drive name", u"D:evil.txt", [] {}, "Niedozwolona ścieżka w archiwum: `D:evil.txt`"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs.mkdirs(kLib);
    c.prepare();
    const size_t mark = lines.size();
    writeArchive({{u"P\\a.txt", "a"}, {c.badName, "bad"}, {u"P\\c.txt", "c"}});
    EXPECT_FALSE(unpack(kArchive));
    EXPECT_EQ(lib(u"P\\a.txt"), "a");
    EXPECT_FALSE(fs.fileExists(kLib + u"P\\c.txt"));
    EXPECT_EQ(text::toUtf8(lastImportant), c.message);
    EXPECT_EQ(utf8(logSince(mark)),
              utf8({u"maxFiles = 2", u"P\\a.txt", text::fromUtf8(c.message)}));
    EXPECT_EQ(fs.listFiles(u"C:\\CAD A").size() + fs.listFiles(u"C:\\Windows").size() +
                  fs.listFiles(u"C:\\run").size(),
              fs.fileExists(kLib + u"P\\b.txt") ? 3u : 2u)
        << "nothing written outside the library folder";
    fs.setReadOnly(kLib + u"P\\b.txt", false);
    // Either may be missing, as the case decides.
    (void)fs.deleteFile(kLib + u"P\\b.txt");
    (void)fs.deleteFile(kLib + u"P\\a.txt");
  }
}

TEST_F(PackageArchiveTest, DamagedEntryStopsTheUnpackingWithItsCause) {
  std::string zip = ziptest::zipBytes(
      {{u"P\\a.txt", "a"}, {u"P\\b.txt", "bbbb", zipkit::Method::Stored}, {u"P\\c.txt", "c"}});
  zip[ziptest::entryDataAt(zip, 1)] ^= 1;
  fs.writeFile(kArchive, zip);
  EXPECT_FALSE(unpack(kArchive));
  EXPECT_EQ(text::toUtf8(lastImportant), "Błąd sumy kontrolnej CRC pliku: `P\\b.txt`");
  EXPECT_EQ(lib(u"P\\a.txt"), "a");
  EXPECT_FALSE(fs.fileExists(kLib + u"P\\b.txt"));
  EXPECT_FALSE(fs.fileExists(kLib + u"P\\c.txt"));
}

TEST_F(PackageArchiveTest, UnpackingSomethingThatIsNoArchiveFailsSilently) {
  fs.writeFile(kArchive, "junk");
  EXPECT_FALSE(unpack(kArchive));
  EXPECT_FALSE(unpack(u"C:\\none.zip"));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(gaugeSteps.empty());
}

TEST_F(PackageArchiveTest, EntriesDifferingInLetterCaseBothWriteTheFirst) {
  writeArchive({{u"P\\a.txt", "first"}, {u"P\\A.TXT", "second"}});
  EXPECT_TRUE(unpack(kArchive));
  EXPECT_EQ(lib(u"P\\a.txt"), "first");
}

}  // namespace
