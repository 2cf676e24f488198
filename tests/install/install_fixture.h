// A host installation, a package archive and a main window ready for the Install click, all on
// the in-memory platform, with real accessory databases made by the engine.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/form_fixture.h"

namespace installtest {

using text::Text;

struct Item {
  int32_t id;
  Text nazwa;
  bool operator==(const Item&) const = default;
};

// Creates an accessory database at path holding the given Dodatki rows.
void makeDatabase(fake::FakePlatform& fs, const Text& path, const std::vector<Item>& items);
// The Dodatki rows of a database, in table order.
std::vector<Item> readItems(fake::FakePlatform& fs, const Text& path);

// Everything one Install click needs; the tests build one per run.
class Scenario : public apptest::Form {
 public:
  static constexpr const char16_t* kHost = u"C:\\Nordeka\\CAD A\\";
  static constexpr const char16_t* kPackageDir = u"C:\\Nordeka\\CAD A\\dodatki\\P\\";

  // Window created, start-up done as far as the Install click needs it.
  Scenario();
  // The package archive: P.jpg, P.txt, P\tekstury\a.jpg, P\model.dwg and P\dodatki.mdb with
  // the given rows (the database entry last, or nowhere when nullopt).
  void makePackage(const std::optional<std::vector<Item>>& packageItems);
  // The same archive with the given bytes as its database.
  void makePackageWithDatabase(const std::optional<std::string>& db);
  void makePrevious(const std::vector<Item>& items);
  // The package archive wrapped into the installer's own executable, as mkinstaller wraps it,
  // for the unattended install.
  void wrapIntoExecutable();

  // An earlier version of the package beside the database: a model the package replaces (made
  // read-only), and a file of the host's own that the package does not carry.
  void makePreviousFiles();

  // Every file below the library folder with its bytes and attribute, and every folder: what a
  // failed install must leave exactly as it found it.
  struct LibraryState {
    std::map<Text, std::string> files;
    std::vector<Text> folders;
    bool operator==(const LibraryState&) const = default;
  };
  LibraryState library();
  // The package's files and the merge of the previous rows with the package's are in place, and
  // nothing of the install's own is left.
  void expectInstalled(const std::vector<Item>& merged, const std::string& where);

  Text file(const Text& name) const { return Text(kPackageDir) + name; }
  bool has(const Text& name) { return fs.fileExists(file(name)); }
  std::string bytes(const Text& name) { return fs.readFile(file(name)); }
};

class InstallTest : public testing::Test, public Scenario {};

// One fault at a time: an update runs first without faults, then once per file operation that
// run performed, with just that operation failing. prepare makes the host and the package; click
// clicks Install and checks the result, where names the fault. Returns the number of faulty runs.
int runWithEachSingleFault(const std::function<void(Scenario&)>& prepare,
                           const std::function<void(Scenario&, const std::string& where)>& click);

}  // namespace installtest
