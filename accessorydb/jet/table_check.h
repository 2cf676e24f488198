// A check of a table as Jet keeps it: row count, data pages against the owned and free-space
// maps, free-space figures, the global map, and each index B-tree (page owners, one chain per
// level, node entries against their child's last entry, entries in order, every row found by a
// seek from the root with the key built from its values, the index map listing the tree).
//
// What it finds is either a fault (Jet or a reader goes astray: a row its index cannot find, a
// user table's row count that differs from its rows, pages a table cannot claim) or a note: what
// Access itself leaves in sound files (space not reclaimed, stale node entries above their
// child's last entry, system-table row counts, "ignore nulls" indexes without entries for null
// keys, keys of a sort order the engine does not encode, which are not verified).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/index_page.h"

namespace jet {

struct CheckFindings {
  std::vector<std::string> faults;  // what is wrong
  std::vector<std::string> notes;   // what Access leaves in sound files
  bool sound() const { return faults.empty(); }
  // Faults, then notes: the strict view for files this engine wrote, where neither may appear.
  std::vector<std::string> all() const;
  void add(CheckFindings other);
};

// One index tree as found on its pages.
struct IndexWalk {
  std::vector<IndexEntry> leafEntries;  // in leaf-chain order
  std::vector<uint32_t> pages;          // every page of the tree
  int depth = 0;                        // levels below the root
  CheckFindings findings;               // structure faults and stale node entries
};
IndexWalk walkIndex(PageFile& pages, uint32_t root, uint32_t owner);

// Whether a seek from the root, as Jet descends (the first node entry not below the target,
// else the tail), reaches a leaf holding exactly this entry.
bool indexFinds(PageFile& pages, uint32_t root, const IndexEntry& entry);

// An offset as the checks' messages name it ("0x1A").
std::string offsetText(size_t offset);

// Table definitions are read afresh (Database::refresh), so references to earlier ones become
// invalid.
CheckFindings checkTable(Database& db, const Text& table);

}  // namespace jet
