// Looking for the host's installations on every drive.
#include <gtest/gtest.h>

#include "tests/target/target_fixture.h"

namespace targettest {
namespace {

using app::Ctl;

struct DiscoveryCase {
  const char* name;
  std::vector<Text> drives;   // besides C:
  std::vector<Text> folders;  // made with every parent
  std::vector<Text> files;
  int found;
  Text field;  // the folder field afterwards
};

void PrintTo(const DiscoveryCase& c, std::ostream* os) {
  *os << c.name;
}

class DiscoveryTest : public TargetTest, public testing::WithParamInterface<DiscoveryCase> {};

TEST_P(DiscoveryTest, ProposesTheFirstInstallationFound) {
  for (const auto& d : GetParam().drives) fs.addDrive(d);
  for (const auto& f : GetParam().folders) fs.mkdirs(f);
  for (const auto& f : GetParam().files) fs.writeFile(f, "x");
  form.destination = true;  // discovery starts from a clear flag

  const bool result = form.searchInstallationPath();

  EXPECT_EQ(result, GetParam().found > 0);
  EXPECT_EQ(form.destination, result);
  EXPECT_EQ(
      countNew(u"Znaleziono " + text::num(GetParam().found) + u" instalacji oprogramowania CAD."),
      1)
      << testing::PrintToString(utf8(newLines()));
  EXPECT_EQ(utf8({window.edit1()}), utf8({GetParam().field}));
  EXPECT_TRUE(window.visible(Ctl::Edit1));
  EXPECT_TRUE(window.visible(Ctl::StaticText1));
  if (GetParam().found == 0) {
    EXPECT_EQ(window.infoLabel(), u"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DiscoveryTest,
    testing::Values(
        DiscoveryCase{"one", {}, {u"C:\\Nordeka\\CAD A"}, {}, 1, u"C:\\Nordeka\\CAD A\\"},
        DiscoveryCase{"two_drives",
                      {u"D:\\"},
                      {u"C:\\Nordeka\\CAD A", u"D:\\Nordeka\\CAD B"},
                      {},
                      2,
                      u"C:\\Nordeka\\CAD A\\"},
        DiscoveryCase{"lowest_drive_letter_wins",
                      {u"F:\\", u"E:\\"},
                      {u"F:\\Nordeka\\CAD F", u"E:\\Nordeka\\CAD E"},
                      {},
                      2,
                      u"E:\\Nordeka\\CAD E\\"},
        DiscoveryCase{
            "space_required", {}, {u"C:\\Nordeka\\CADX", u"C:\\Nordeka\\Inne"}, {}, 0, u"C:\\"},
        DiscoveryCase{"any_letter_case",
                      {},
                      {u"C:\\Nordeka\\cad studio"},
                      {},
                      1,
                      u"C:\\Nordeka\\cad studio\\"},
        DiscoveryCase{"one_level_deeper", {}, {u"C:\\Nordeka\\Stare\\CAD A"}, {}, 0, u"C:\\"},
        DiscoveryCase{"files_are_not_installations",
                      {},
                      {u"C:\\Nordeka"},
                      {u"C:\\Nordeka\\CAD A"},
                      0,
                      u"C:\\"},
        DiscoveryCase{
            "maker_folder_elsewhere", {}, {u"C:\\Program Files\\Nordeka\\CAD A"}, {}, 0, u"C:\\"},
        DiscoveryCase{"no_maker_folder_anywhere", {u"D:\\"}, {}, {}, 0, u"C:\\"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TargetTest, TwoInstallationsAreListedAndTheFirstIsProposed) {
  fs.addDrive(u"D:\\");
  fs.mkdirs(u"C:\\Nordeka\\CAD A");
  fs.mkdirs(u"D:\\Nordeka\\CAD B");
  EXPECT_TRUE(form.searchInstallationPath());
  EXPECT_EQ(utf8(newLines()),
            utf8({u"Wyszukiwanie zainstalowanego oprogramowania VIRELA.", u"HDD: [C:\\]",
                  u"Szukamy instalacjy oprogramowania VIRELA: C:\\Nordeka\\", u"HDD: [D:\\]",
                  u"Szukamy instalacjy oprogramowania VIRELA: D:\\Nordeka\\",
                  u"Znaleziono 2 instalacji oprogramowania CAD.",
                  u"Znaleziono instalację oprogramowania VIRELA: C:\\Nordeka\\CAD A",
                  u"Znaleziono instalację oprogramowania VIRELA: D:\\Nordeka\\CAD B",
                  // The field's change handler: no library folder in this installation.
                  u"Sprawdzamy folder instalacji : C:\\Nordeka\\CAD A\\dodatki",
                  u"Błędny folder instalacji : C:\\Nordeka\\CAD A\\dodatki",
                  u"Wybrano pierwszą z 2 znalezionych instalacji. Możesz zmienić."}));
  EXPECT_EQ(window.infoLabel(), u"Wybrano pierwszą z 2 znalezionych instalacji. Możesz zmienić.");
}

TEST_F(TargetTest, NoInstallationKeepsTheFieldAndShowsIt) {
  fs.addDrive(u"D:\\");
  fs.mkdirs(u"D:\\Nordeka\\Inne");
  EXPECT_FALSE(form.searchInstallationPath());
  EXPECT_EQ(utf8(newLines()),
            utf8({u"Wyszukiwanie zainstalowanego oprogramowania VIRELA.", u"HDD: [C:\\]",
                  u"HDD: [D:\\]", u"Szukamy instalacjy oprogramowania VIRELA: D:\\Nordeka\\",
                  u"Znaleziono 0 instalacji oprogramowania CAD.",
                  u"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."}));
  EXPECT_EQ(window.edit1(), u"C:\\");
}

// A drive that cannot be read (no medium, a dead network share) just has no maker folder.
TEST_F(TargetTest, UnreadableDriveIsPassedOver) {
  fs.addDrive(u"A:\\");
  fs.mkdirs(u"C:\\Nordeka\\CAD A");
  fs.shouldFail = [](fake::Op, const Text& path) { return path.rfind(u"A:", 0) == 0; };
  EXPECT_TRUE(form.searchInstallationPath());
  EXPECT_EQ(window.edit1(), kHost);
  EXPECT_EQ(newLines()[1], u"HDD: [A:\\]");
  EXPECT_EQ(newLines()[2], u"HDD: [C:\\]");
}

}  // namespace
}  // namespace targettest
