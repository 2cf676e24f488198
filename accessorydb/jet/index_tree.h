// Inserting into one index B-tree. Pages are decoded once and kept, so an insert costs a walk
// from the root to a leaf and the pages it changes. Leaves and nodes split when full (an entry
// past the end of the last page starts a new page, keeping sequential keys densely packed);
// the root keeps its page number and becomes a node when it splits.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"
#include "accessorydb/jet/page_allocator.h"
#include "accessorydb/jet/tdef.h"

namespace jet {

class IndexTree {
 public:
  IndexTree(PageFile& pages, PageAllocator& allocator, uint32_t owner, const RealIndex& index);

  // Throws Error when inserting the key could need a page split into more than two pages (only
  // possible with Jet's prefix-compressed pages); called before anything is written.
  void checkRoom(const KeyBytes& key);
  // Whether an entry with exactly this key exists.
  bool contains(const KeyBytes& key);
  void insert(const KeyBytes& key, RowPointer row);

 private:
  struct Step {
    uint32_t page;
    size_t child;  // leaf: insert position; node: entry index, entries.size() for the tail
  };

  IndexPage& load(uint32_t page);
  void store(uint32_t page);
  std::vector<Step> descend(const IndexEntry& target);
  void insertEntry(std::vector<Step>& path, size_t depth, IndexEntry entry, size_t pos);
  void maxChanged(std::vector<Step>& path, size_t depth);
  void split(std::vector<Step>& path, size_t depth, bool appended);
  uint32_t newPage();

  PageFile& pages_;
  PageAllocator& allocator_;
  uint32_t owner_;
  RealIndex index_;
  std::unordered_map<uint32_t, IndexPage> cache_;
};

}  // namespace jet
