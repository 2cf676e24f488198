// Helpers for the engine's tests and fuzz target: files in memory, fixtures, reading a whole
// database.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "accessorydb/jet/database.h"
#include "tests/support/memory_file.h"

namespace jettest {

using testsupport::MemoryFile;

// The bytes of a file in FIXTURES_DIR (the real Access-made .mdb files).
std::vector<uint8_t> fixture(const std::string& name);
// Every *.mdb name in FIXTURES_DIR, sorted.
std::vector<std::string> fixtureNames();
// The same for FIELD_FIXTURES_DIR: Access files from public repositories, each showing something
// Access leaves in sound files (its MANIFEST.md says what).
std::vector<uint8_t> fieldFixture(const std::string& name);
std::vector<std::string> fieldFixtureNames();

void openBytes(jet::Database& db, std::vector<uint8_t> bytes);

// Opens the bytes as a database and reads the catalog, every table definition and every row of
// every table, system tables included; returns the rows read. Throws jet::Error for damage.
size_t readEverything(std::vector<uint8_t> bytes);

}  // namespace jettest
