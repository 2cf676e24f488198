#include "tests/jet/jet_test_support.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace jettest {

#ifdef FIXTURES_DIR
namespace {

std::vector<uint8_t> fileIn(const std::string& dir, const std::string& name) {
  std::ifstream in(dir + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> databasesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".mdb") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::vector<uint8_t> fixture(const std::string& name) {
  return fileIn(FIXTURES_DIR, name);
}

std::vector<std::string> fixtureNames() {
  return databasesIn(FIXTURES_DIR);
}

std::vector<uint8_t> fieldFixture(const std::string& name) {
  return fileIn(FIELD_FIXTURES_DIR, name);
}

std::vector<std::string> fieldFixtureNames() {
  return databasesIn(FIELD_FIXTURES_DIR);
}
#endif

void openBytes(jet::Database& db, std::vector<uint8_t> bytes) {
  db.open(std::make_unique<MemoryFile>(std::move(bytes)), true);
}

size_t readEverything(std::vector<uint8_t> bytes) {
  jet::Database db;
  openBytes(db, std::move(bytes));
  size_t rows = 0;
  for (const jet::CatalogEntry& e : db.catalog()) {
    if (!e.isTable()) continue;
    jet::TableScanner scan = db.scan(db.table(e.name));
    while (scan.next()) ++rows;
  }
  return rows;
}

}  // namespace jettest
