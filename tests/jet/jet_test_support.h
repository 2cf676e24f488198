// Helpers for the engine's tests and fuzz target: files in memory, fixtures, reading a whole
// database.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "accessorydb/jet/database.h"
#include "platform/file.h"

namespace jettest {

// A plat::File over a byte vector.
class MemoryFile : public plat::File {
 public:
  explicit MemoryFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint64_t size() override { return bytes_.size(); }
  size_t readAt(uint64_t pos, void* buf, size_t n) override;
  void writeAt(uint64_t pos, const void* buf, size_t n) override;
  void truncate(uint64_t size) override { bytes_.resize(size); }
  void flush() override {}

 private:
  std::vector<uint8_t> bytes_;
};

// The bytes of a file in FIXTURES_DIR (the real Access-made .mdb files).
std::vector<uint8_t> fixture(const std::string& name);
// Every *.mdb name in FIXTURES_DIR, sorted.
std::vector<std::string> fixtureNames();

void openBytes(jet::Database& db, std::vector<uint8_t> bytes);

// Opens the bytes as a database and reads the catalog, every table definition and every row of
// every table, system tables included; returns the rows read. Throws jet::Error for damage.
size_t readEverything(std::vector<uint8_t> bytes);

}  // namespace jettest
