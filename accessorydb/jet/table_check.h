// A strict check of a table as Jet keeps it: row count, data pages against the owned and
// free-space maps, free-space figures, the global map, and each index B-tree (page owners, one
// chain per level, node entries equal to their child's last entry, entries in order, one entry
// per row carrying that row's key, the index map listing exactly the tree's pages).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/index_page.h"

namespace jet {

// One index tree as found on its pages.
struct IndexWalk {
  std::vector<IndexEntry> leafEntries;  // in leaf-chain order
  std::vector<uint32_t> pages;          // every page of the tree
  int depth = 0;                        // levels below the root
  std::vector<std::string> problems;    // structure faults found
};
IndexWalk walkIndex(PageFile& pages, uint32_t root, uint32_t owner);

// An offset as the checks' messages name it ("0x1A").
std::string offsetText(size_t offset);

// Every fault found in the table (empty when it is sound), one line each. Table definitions are
// read afresh (Database::refresh), so references to earlier ones become invalid.
std::vector<std::string> checkTable(Database& db, const Text& table);

}  // namespace jet
