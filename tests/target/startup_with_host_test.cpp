// The whole start-up of an installer that carries a package, on a machine with one host
// installation: what discovery and the precondition checks log, and the Install button.
#include <gtest/gtest.h>

#include "archive/zip_writer.h"
#include "tests/support/test_pictures.h"
#include "tests/target/target_fixture.h"

namespace targettest {
namespace {

// An installer: a program, the archive with the package "Pakiet", the byte order mark and the
// trailer giving the archive's offset.
std::string installerWithPackage(fake::FakePlatform& fs) {
  const Text zipPath = u"C:\\build\\pakiet.zip";
  fs.mkdirs(u"C:\\build");
  zipkit::ZipWriter zip(fs, zipPath);
  const auto jpeg = fake::jpegHeader(800, 600);
  zip.addFile(u"Pakiet.jpg", std::string(jpeg.begin(), jpeg.end()));
  zip.addFile(u"Pakiet\\dodatki.mdb", "database");
  zip.finish();
  const std::string program(4096, 'P');
  std::string trailer = std::to_string(program.size());
  trailer.insert(0, 20 - trailer.size(), ' ');
  return program + fs.readFile(zipPath) + "\xEF\xBB\xBF" + trailer;
}

class StartupWithHostTest : public TargetTest {
 protected:
  void SetUp() override {
    fs.writeFile(fs.exePath, installerWithPackage(fs));
    fs.mkdirs(kPackageFolder);
    fs.writeFile(kDatabase, "host database");
    fs.processList = {{4, u"explorer.exe"}, {fs.ownPid, u"instalator.exe"}};
  }
};

// What one precondition check logs when everything passes.
const std::vector<Text> kPassedCheck = {
    u"Kontrola możliwości instalacji.",
    u"Sprawdzamy dostęp do pliku: C:\\Nordeka\\CAD A\\dodatki\\Pakiet\\dodatki.mdb",
    u"Dostęp do MDB poprawny",
    u"Sprawdzamy uruchomienie applikacji CAD.",
    u"Znaleziona w pamięci aplikację: explorer.exe : 0",
    u"Znaleziona w pamięci aplikację: instalator.exe : 0",
    u"Nie znaleziono uruchomionej applikacji CAD.",
    u"Odblokowywujemy klawisz INSTALL"};

TEST_F(StartupWithHostTest, DebugLogShowsDiscoveryAndTwoChecks) {
  fs.args = {u"/debug"};
  form.FormCreate();
  form.Timer1Timer();

  std::vector<Text> expected = {u"Wyszukiwanie zainstalowanego oprogramowania VIRELA.",
                                u"HDD: [C:\\]",
                                u"Szukamy instalacjy oprogramowania VIRELA: C:\\Nordeka\\",
                                u"Znaleziono 1 instalacji oprogramowania CAD.",
                                u"Sprawdzamy folder instalacji : C:\\Nordeka\\CAD A\\dodatki",
                                u"Folder instalacji poprawny : C:\\Nordeka\\CAD A\\dodatki"};
  expected.insert(expected.end(), kPassedCheck.begin(), kPassedCheck.end());
  expected.push_back(u"Znaleziono jedną instalację oprogramowania VIRELA: C:\\Nordeka\\CAD A\\");
  expected.push_back(u"Znaleziono instalację. Możesz wskazać inny katalog.");
  expected.insert(expected.end(), kPassedCheck.begin(), kPassedCheck.end());
  EXPECT_EQ(utf8(memoFrom(expected.front())), utf8(expected));

  EXPECT_TRUE(installEnabled());
  EXPECT_TRUE(form.ready);
  EXPECT_EQ(fs.readFile(kDatabase), "host database");
  EXPECT_FALSE(fs.fileExists(kSide));
}

TEST_F(StartupWithHostTest, NormalLevelShowsNoDiscoveryMessage) {
  form.FormCreate();
  form.Timer1Timer();
  EXPECT_TRUE(installEnabled());
  EXPECT_EQ(window.infoLabel(), u"");
  EXPECT_TRUE(memo().empty()) << testing::PrintToString(utf8(memo()));
  EXPECT_EQ(window.edit1(), kHost);
  EXPECT_TRUE(window.visible(app::Ctl::Edit1));
}

TEST_F(StartupWithHostTest, RunningHostKeepsInstallDisabled) {
  fs.processList.push_back({77, u"VirelaPro.exe"});
  form.FormCreate();
  form.Timer1Timer();
  EXPECT_FALSE(installEnabled());
  EXPECT_FALSE(form.ready);
  EXPECT_EQ(window.infoLabel(), u"Wyłącz program VirelaPro.exe i spróbuj ponownie.");
}

}  // namespace
}  // namespace targettest
