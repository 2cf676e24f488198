// The window's methods under their old names are adapters: each must do what the step it calls
// does, no more. Every row runs the adapter on one scenario and the step on a twin, and compares
// the result, the lines logged and the files left.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "accessorydb/jet/database.h"
#include "accessorydb/mdb_create.h"
#include "accessorydb/mdb_merge.h"
#include "archive/package_archive.h"
#include "archive/package_layout.h"
#include "target/discovery.h"
#include "target/folder_choice.h"
#include "target/preconditions.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};
const Text kLibrary = u"C:\\Nordeka\\CAD A\\dodatki\\";
const Text kPackageFolder = kLibrary + u"P\\";

// What a call left behind: its result as text, and the files on the disk.
struct Effect {
  std::string result;
  std::vector<Text> files;
};

struct AdapterCase {
  const char* name;
  std::function<std::string(Scenario&)> adapter;
  std::function<std::string(Scenario&, const logs::Log&)> step;
};

void PrintTo(const AdapterCase& c, std::ostream* os) {
  *os << c.name;
}

std::string yesNo(bool b) {
  return b ? "true" : "false";
}

std::string names(const std::vector<Text>& list) {
  std::string out;
  for (const Text& t : list) out += text::toUtf8(t) + ";";
  return out;
}

void prepare(Scenario& s) {
  s.makePrevious(kPrevious);
  s.makePackage(kPackage);
  s.fs.processList = {{1, u"explorer.exe"}, {2, u"arcade.exe"}};
}

class Adapters : public testing::TestWithParam<AdapterCase> {};

TEST_P(Adapters, DoWhatTheStepDoes) {
  Scenario viaWindow;
  prepare(viaWindow);
  const size_t shownBefore = viaWindow.memo().size();
  const std::string windowResult = GetParam().adapter(viaWindow);
  const std::vector<Text> shown(viaWindow.memo().begin() + static_cast<std::ptrdiff_t>(shownBefore),
                                viaWindow.memo().end());

  Scenario direct;
  prepare(direct);
  std::vector<Text> logged;
  const logs::Log log(logs::DEBUG, [&](logs::Level, const Text& line) { logged.push_back(line); });
  const std::string stepResult = GetParam().step(direct, log);

  EXPECT_EQ(windowResult, stepResult);
  EXPECT_EQ(apptest::utf8(shown), apptest::utf8(logged));
  EXPECT_EQ(viaWindow.fs.listFiles(u"C:\\"), direct.fs.listFiles(u"C:\\"));
}

install::Session sessionOf(Scenario& s, const logs::Log& log) {
  return install::Session(s.fs, {s.form.tmpDir, s.form.sourceZip, s.form.tmpDir + u"cover.jpg"},
                          log);
}

INSTANTIATE_TEST_SUITE_P(
    Window, Adapters,
    testing::Values(
        AdapterCase{"searchPackages", [](Scenario& s) { return yesNo(s.form.searchPackages()); },
                    [](Scenario& s, const logs::Log& log) {
                      // The window's own part: Install is disabled while the search runs.
                      struct Look : install::DetectObserver {
                        const logs::Log& log;
                        explicit Look(const logs::Log& l) : log(l) {}
                        void searching() override { log.debug(u"Blokujemy klawisz INSTALL"); }
                      } look(log);
                      const auto found = sessionOf(s, log).searchPackage(look);
                      return yesNo(found.archive);
                    }},
        AdapterCase{"coverStep",
                    [](Scenario& s) {
                      s.form.coverStep();
                      return std::string();
                    },
                    [](Scenario& s, const logs::Log& log) {
                      sessionOf(s, log).takeCover(u"P");
                      return std::string();
                    }},
        AdapterCase{
            "GetSubFoldersListFromZip",
            [](Scenario& s) { return names(s.form.GetSubFoldersListFromZip(s.form.sourceZip)); },
            [](Scenario& s, const logs::Log& log) {
              return names(pkg::packageFolders(s.fs, s.form.sourceZip, log));
            }},
        AdapterCase{
            "ExtractFileFromZip",
            [](Scenario& s) {
              return yesNo(s.form.ExtractFileFromZip(s.form.sourceZip, s.form.tmpDir, u"P.txt"));
            },
            [](Scenario& s, const logs::Log& log) {
              return yesNo(pkg::extractEntry(s.fs, s.form.sourceZip, s.form.tmpDir, u"P.txt", log));
            }},
        AdapterCase{"ExtractFilesFromZip",
                    [](Scenario& s) {
                      return yesNo(s.form.ExtractFilesFromZip(s.form.sourceZip, kLibrary));
                    },
                    [](Scenario& s, const logs::Log& log) {
                      return yesNo(pkg::extractPackage(s.fs, s.form.sourceZip, kLibrary, u"P", log,
                                                       [](int) {}));
                    }},
        AdapterCase{"CheckDestination",
                    [](Scenario& s) { return yesNo(s.form.CheckDestination()); },
                    [](Scenario& s, const logs::Log& log) {
                      return yesNo(target::validHostFolder(s.fs, Scenario::kHost, log));
                    }},
        AdapterCase{"CheckRunApp", [](Scenario& s) { return yesNo(s.form.CheckRunApp()); },
                    [](Scenario& s, const logs::Log& log) {
                      return yesNo(!target::checkNoRunningHost(s.fs, log));
                    }},
        AdapterCase{
            "MDBCreate",
            [](Scenario& s) { return yesNo(s.form.MDBCreate(kPackageFolder + u"n.mdb")); },
            [](Scenario& s, const logs::Log& log) {
              return yesNo(
                  accessorydb::createDatabase(s.fs, kPackageFolder + u"n.mdb", log).created());
            }},
        AdapterCase{"CopyMdb",
                    [](Scenario& s) {
                      return yesNo(s.form.CopyMdb(kPackageFolder + u"dodatki.mdb",
                                                  kPackageFolder + u"brak.mdb",
                                                  kPackageFolder + u"wynik.mdb"));
                    },
                    [](Scenario& s, const logs::Log& log) {
                      return yesNo(accessorydb::mergeDatabases(s.fs,
                                                               {kPackageFolder + u"dodatki.mdb",
                                                                kPackageFolder + u"brak.mdb",
                                                                kPackageFolder + u"wynik.mdb"},
                                                               log)
                                       .merged());
                    }}),
    [](const testing::TestParamInfo<AdapterCase>& info) { return std::string(info.param.name); });

// The window's table builders give the tables its creation makes: the same columns, types,
// sizes and flags, and the same key.
TEST(WindowTableBuilders, GiveTheTablesTheCreationMakes) {
  apptest::Form window;
  fake::FakePlatform& fs = window.fs;
  const Text kDb = u"C:\\P\\dodatki.mdb";
  fs.mkdirs(u"C:\\P");
  ASSERT_TRUE(window.form.MDBCreate(kDb));
  EXPECT_EQ(window.form.mdbBase, nullptr) << "the creation keeps no catalog in the window";
  const Text built = u"C:\\P\\zbudowana.mdb";
  {
    jet::adox::Catalog catalog(fs);
    catalog.Create(accessorydb::createConnectionString(built));
    catalog.setActiveConnection(accessorydb::openConnectionString(built));
    catalog.appendTable(window.form.createTableProducent());
    catalog.appendTable(window.form.createTableDodatki());
  }
  const auto layout = [&](const Text& path) {
    jet::Database db;
    db.open(fs, path, true);
    std::vector<std::string> lines;
    for (const Text& table : {Text(u"info_producent"), Text(u"Dodatki")}) {
      const jet::TableDef& def = db.table(table);
      for (const jet::ColumnDef& c : def.columns) {
        lines.push_back(text::toUtf8(table + u"." + c.name) + " " + std::to_string(c.type) + " " +
                        std::to_string(c.length) + " " + std::to_string(c.flags));
      }
      for (const jet::LogicalIndex& index : def.indexes) {
        lines.push_back(text::toUtf8(table + u" index " + index.name) + " " +
                        std::to_string(index.type));
      }
    }
    return lines;
  };
  const std::vector<std::string> created = layout(kDb);
  EXPECT_EQ(layout(built), created);
  EXPECT_GT(created.size(), 30u);
}

}  // namespace
}  // namespace installtest
