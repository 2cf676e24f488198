// A check of a database file as a whole (the per-table check is table_check.h): header
// constants and commit slots, every page accounted for at most once by the global map and the
// maps of the tables, indexes and long values, and the catalog (unique table names, ACE rows
// for every user table, MSysObjects and MSysACEs with their indexes checked as tables).
// Faults: pages two owners claim, pages in use marked free, damaged maps and headers. Notes:
// what Access leaves (commit-slot bytes, pages in use that no map lists).
#pragma once

#include <string>
#include <vector>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/table_check.h"

namespace jet {

// What the check found, one line each. Never throws for damage: a check that cannot go on
// reports why as a fault.
CheckFindings checkFile(Database& db);

}  // namespace jet
