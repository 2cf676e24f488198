// Index B-tree pages (leaf 0x04, node 0x03): decoding (with prefix compression) and encoding
// (without it: every entry stored in full, which Jet accepts and keeps readers simple).
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

using IndexEntry = std::vector<uint8_t>;

struct IndexPage {
  bool leaf = true;
  uint32_t owner = 0;  // the table's TDEF page
  uint32_t prev = 0;   // neighbours on the same level
  uint32_t next = 0;
  uint32_t tail = 0;  // nodes: the last child, which has no entry of its own
  // Full entries in ascending byte order: leaf = key + row id; node = the child's last leaf
  // entry + child page.
  std::vector<IndexEntry> entries;

  // Bytes the entries take when stored in full.
  size_t entryBytes() const;
  bool fits() const { return entryBytes() <= indexpage::kEntrySpace; }
};

// Throws Error for a page that is no index page or whose entries are inconsistent.
IndexPage decodeIndexPage(const Page& bytes, uint32_t pageNo);
// Throws Error when the entries do not fit. Node pages carry Jet's node flag.
Page encodeIndexPage(const IndexPage& page);

IndexEntry leafEntry(const std::vector<uint8_t>& key, RowPointer row);
RowPointer leafEntryRow(const IndexEntry& entry);
IndexEntry nodeEntry(const IndexEntry& childLastEntry, uint32_t childPage);
uint32_t nodeEntryChild(const IndexEntry& entry);

}  // namespace jet
