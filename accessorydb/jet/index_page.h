// Index B-tree pages (leaf 0x04, node 0x03): decoding (with prefix compression) and encoding
// (without it: every entry stored in full, which Jet accepts and keeps readers simple).
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

using IndexEntry = std::vector<uint8_t>;

// Entries in byte order. Keys mostly differ within their first bytes, where a plain loop is done
// before a call of memcmp would be.
inline bool entryLess(ByteView a, ByteView b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return a.size() < b.size();
}

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
// A leaf entry's last kRowIdSize bytes: the row's page (three bytes, big-endian), then its row.
void putRowId(uint8_t* out, RowPointer row);
RowPointer leafEntryRow(const IndexEntry& entry);
IndexEntry nodeEntry(const IndexEntry& childLastEntry, uint32_t childPage);
uint32_t nodeEntryChild(const IndexEntry& entry);

// A leaf page stored without prefix compression (as encodeIndexPage stores every page), read
// and changed in its bytes: its entries lie one after another, each ending where the bitmap has
// a bit. Reading or inserting then costs no decoded copy of every entry.
class StoredLeaf {
 public:
  // The page as a stored leaf, or nothing when it is a node or prefix-compressed; throws Error
  // when its entries are inconsistent.
  static std::optional<StoredLeaf> of(PageRef bytes, uint32_t pageNo);

  size_t size() const { return ends_.size(); }
  ByteView entry(size_t i) const;
  size_t entryBytes() const { return ends_.empty() ? 0 : ends_.back(); }
  size_t largestEntry() const { return largest_; }
  // The position of the first entry not below `target`.
  size_t lowerBound(ByteView target) const;
  bool holds(const PageRef& bytes) const { return bytes_ == bytes; }
  // Whether the page has room for an entry of `length` bytes more.
  bool fits(size_t length) const { return entryBytes() + length <= indexpage::kEntrySpace; }
  // Lets go of the page's bytes, so that they can be changed in place (PageFile::change).
  void release() { bytes_.reset(); }
  // Inserts `entry` at position i into `page`, which holds this leaf's bytes and has room for it;
  // the leaf follows without reading the bitmap again, and rebind() gives it the stored page.
  void insert(size_t i, ByteView entry, Page& page);
  void rebind(PageRef bytes) { bytes_ = std::move(bytes); }

 private:
  StoredLeaf(PageRef bytes, std::vector<uint16_t> ends, size_t largest)
      : bytes_(std::move(bytes)), ends_(std::move(ends)), largest_(largest) {}
  PageRef bytes_;
  std::vector<uint16_t> ends_;  // each entry's end, from the start of the entries
  size_t largest_;
};

}  // namespace jet
