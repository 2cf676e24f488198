// Every line the installer logs as IMPORTANT while an install fails, and the status label it
// leaves, is Polish: the engine's, the platform's and the ZIP reader's causes included.
#include <gtest/gtest.h>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/adox_table.h"
#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "tests/install/install_fixture.h"
#include "tests/support/english_words.h"

namespace installtest {
namespace {

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};

// Clicks Install at the normal log level; returns the lines it logged and the label it left.
std::vector<Text> importantLinesOfClick(Scenario& s) {
  s.form.log_level = logs::IMPORTANT;
  const size_t before = s.memo().size();
  s.form.ButtonInstallClick();
  std::vector<Text> lines(s.memo().begin() + static_cast<std::ptrdiff_t>(before), s.memo().end());
  lines.push_back(s.window.infoLabel());
  return lines;
}

void expectPolish(const std::vector<Text>& lines, const std::string& where) {
  for (const Text& line : lines) {
    EXPECT_TRUE(apptest::englishWords(line).empty()) << where << ": " << text::toUtf8(line);
  }
}

// A package database that has the producers' table only.
std::string databaseWithoutDodatki(fake::FakePlatform& fs) {
  const Text path = u"C:\\scratch\\dodatki.mdb";
  fs.mkdirs(u"C:\\scratch");
  {
    jet::adox::Catalog catalog(fs);
    catalog.Create(accessorydb::createConnectionString(path));
    catalog.setActiveConnection(accessorydb::openConnectionString(path));
    catalog.appendTable(
        accessorydb::adoxTable(accessorydb::accessoryTable(u"info_producent"), &catalog));
  }
  std::string bytes = fs.readFile(path);
  EXPECT_TRUE(fs.deleteFile(path));
  return bytes;
}

TEST(PolishLog, FailedInstallsLogOnlyPolish) {
  const struct {
    const char* name;
    std::function<void(Scenario&)> prepare;
    const char16_t* cause;  // the line that names the cause, when the case has one to check
  } cases[] = {
      {"package database is no database",
       [](Scenario& s) {
         s.makePrevious(kPrevious);
         s.makePackageWithDatabase(std::string(8192, 'x'));
       },
       u"Plik nie jest bazą danych MDB w formacie Jet 4."},
      {"package database without a table",
       [](Scenario& s) {
         s.makePrevious(kPrevious);
         s.makePackageWithDatabase(databaseWithoutDodatki(s.fs));
       },
       u"Baza danych nie ma tabeli `Dodatki`."},
      {"previous database damaged",
       [](Scenario& s) {
         s.makePrevious(kPrevious);
         std::string bytes = s.bytes(u"dodatki.mdb");
         bytes.resize(bytes.size() / 2);
         s.fs.writeFile(s.file(u"dodatki.mdb"), bytes);
         s.makePackage(kPackage);
       },
       nullptr},
      {"no database in the package",
       [](Scenario& s) {
         s.makePrevious(kPrevious);
         s.makePackage(std::nullopt);
       },
       nullptr},
      {"archive is no ZIP",
       [](Scenario& s) {
         s.makePrevious(kPrevious);
         s.fs.writeFile(s.form.sourceZip, std::string(4096, 'z'));
       },
       nullptr},
      {"archive entry damaged",
       [](Scenario& s) {
         s.makePrevious(kPrevious);
         s.makePackage(kPackage);
         std::string zip = s.fs.readFile(s.form.sourceZip);
         // The first bytes after the local header's name are the entry's data.
         const std::string name = "P\\model.dwg";
         const size_t data = zip.find(name) + name.size();
         ASSERT_LT(data + 1, zip.size());
         zip[data] = static_cast<char>(zip[data] ^ 0x55);
         zip[data + 1] = static_cast<char>(zip[data + 1] ^ 0x55);
         s.fs.writeFile(s.form.sourceZip, zip);
       },
       nullptr},
      {"file held by another program",
       [](Scenario& s) {
         s.makePrevious(kPrevious);
         s.makePackage(kPackage);
         s.fs.writeFile(s.file(u"model.dwg"), "model v1");
         s.fs.holdOpen(s.file(u"model.dwg"));
       },
       u"Błąd odłożenia pliku C:\\Nordeka\\CAD A\\dodatki\\P\\model.dwg. Plik jest używany "
       u"przez inny program."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    c.prepare(s);
    const std::vector<Text> lines = importantLinesOfClick(s);
    EXPECT_GT(lines.size(), 1u) << "a failed install logs its cause";
    if (c.cause) {
      EXPECT_NE(std::find(lines.begin(), lines.end(), Text(c.cause)), lines.end())
          << testing::PrintToString(apptest::utf8(lines));
    }
    expectPolish(lines, c.name);
  }
}

TEST(PolishLog, EverySingleFaultLogsOnlyPolish) {
  runWithEachSingleFault(
      [](Scenario& s) {
        s.makePrevious(kPrevious);
        s.makePackage(kPackage);
      },
      [](Scenario& s, const std::string& where) { expectPolish(importantLinesOfClick(s), where); });
}

}  // namespace
}  // namespace installtest
