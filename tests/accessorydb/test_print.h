// Readable values and databases in test failures.
#pragma once

#include <ostream>

#include "tests/accessorydb/accessory_db.h"

namespace jet {
void PrintTo(const Value& v, std::ostream* os);
}  // namespace jet

namespace accdbtest {
void PrintTo(const Content& c, std::ostream* os);
}  // namespace accdbtest
