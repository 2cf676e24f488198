// A strict check of a database file as a whole (the per-table check is table_check.h): header
// constants and commit slots, every page accounted for exactly once by the global map and the
// maps of the tables, indexes and long values, and the catalog (unique table names, ACE rows
// for every user table, MSysObjects and MSysACEs with their indexes checked as tables).
#pragma once

#include <string>
#include <vector>

#include "accessorydb/jet/database.h"

namespace jet {

// Every fault found, one line each; empty when the file is sound.
std::vector<std::string> checkFile(Database& db);

}  // namespace jet
