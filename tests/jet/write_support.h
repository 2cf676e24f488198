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

}  // namespace jettest
