// Helpers for the writer's tests: databases in shared memory (the test keeps the bytes while the
// engine writes them) and a new accessory database.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "accessorydb/jet/database.h"
#include "tests/support/memory_file.h"

namespace jettest {

using testsupport::SharedBytes;

// Opens the bytes read-write.
void openShared(jet::Database& db, const SharedBytes& bytes);

// A new, empty accessory database (info_producent and Dodatki) made by the installer's creation
// step.
SharedBytes accessoryDatabase();

// A Dodatki row with its ID, maker and name; textChars characters of Opis_Produktu, letters
// beyond Latin-1 (ą, ć, ę …) that stay two bytes each.
std::vector<jet::Value> dodatek(int32_t id, const std::u16string& name, size_t textChars = 0);

}  // namespace jettest
