#include "tests/jet/jet_test_support.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace jettest {

#ifdef FIXTURES_DIR
std::vector<uint8_t> fixture(const std::string& name) {
  std::ifstream in(std::string(FIXTURES_DIR) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> fixtureNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(FIXTURES_DIR)) {
    if (entry.path().extension() == ".mdb") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
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
