// Inserting into one index B-tree. Node pages are decoded once and kept (a bounded number of
// them); leaves are read and changed in their stored bytes (StoredLeaf), decoded only to be
// split or when prefix-compressed, and dropped after the operation: an insert costs a walk from
// the root to a leaf and the pages it changes, and memory stays bounded however large the index.
// Leaves and nodes split when full (an entry past the end of the last page starts a new page,
// keeping sequential keys densely packed); the root keeps its page number and becomes a node when
// it splits.
//
// An index without entries (that of a new table, or of a merge's new database) is not walked at
// all at first: its entries are gathered in memory, where whether a key is new is one hash lookup,
// and stored as a whole tree at once (storeGathered(), before the commit writes the rows) or when
// they reach their bound in memory, after which inserts walk the tree as above. Until then the
// index's pages on file show none of the gathered entries: nothing may read them meanwhile.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "accessorydb/jet/gathered_entries.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"
#include "accessorydb/jet/page_allocator.h"
#include "accessorydb/jet/tdef.h"

namespace jet {

class IndexTree {
 public:
  // The largest leaf entry (key and row id) an index takes: a third of a page, less a node
  // entry's child page, so that a page of such entries always splits into two around another
  // (see checkRoom()) and a node always holds two of them.
  static constexpr size_t kMaxEntrySize = indexpage::kEntrySpace / 3 - indexpage::kChildPageSize;

  IndexTree(PageFile& pages, PageAllocator& allocator, uint32_t owner, const RealIndex& index);

  // Whether an entry with exactly this key exists. Unless it does and the index is unique (the
  // row is then refused), also throws Error when inserting the key could need a page split into
  // more than two pages (only possible with Jet's prefix-compressed pages). One walk down the
  // tree, before anything is written.
  bool checkInsert(const KeyBytes& key);
  // Starts fetching what checkInsert(key) will read, where that is cheap to know.
  void prefetch(const KeyBytes& key) const {
    if (gathering_) gathered_.prefetch(key);
  }
  void insert(const KeyBytes& key, RowPointer row);
  // Stores the entries gathered in memory, if any, into pending pages; inserts then go into the
  // tree. Throws Error with the cause.
  void storeGathered();
  bool gathering() const { return gathering_; }

 private:
  struct Step {
    uint32_t page;
    size_t child;  // leaf: insert position; node: entry index, entries.size() for the tail
  };

  // The memory gathered entries may take: about one and a half million entries of a Long key.
  static constexpr size_t kGatheredBytes = 32u << 20;

  // Decoded nodes beyond which the cache starts again (a tree of millions of rows has a few
  // dozen).
  static constexpr size_t kDecodedNodes = 256;

  IndexPage& load(uint32_t page);
  // The page as a stored leaf, unless it is decoded (then load() has the current entries). The
  // pointer is good until the next call.
  StoredLeaf* storedLeaf(uint32_t page);
  // Between operations: drops the decoded leaves, and every page when too many nodes are kept.
  void trimCache();
  // The entry at `pos` of a leaf, or the first of the next leaf when pos is past the end.
  std::optional<IndexEntry> leafEntryAt(uint32_t page, size_t pos);
  void store(uint32_t page);
  std::vector<Step> descend(const IndexEntry& target);
  // The path checkInsert() found for the key, when it also leads to `entry`: the tree is as it
  // was then and nothing on the way sorts between `entry` and the key's highest entry.
  bool checkedPathLeadsTo(const KeyBytes& key, const IndexEntry& entry) const;
  // Throws Error when a page of the path might not split into two around an added entry.
  void checkRoom(const std::vector<Step>& path, size_t entrySize);
  // The entry just before a step's position (child > 0): a leaf entry, or for a node the largest
  // leaf entry below the child before. Good until the next call.
  ByteView entryBefore(const Step& step);
  // Whether the entry just before the leaf position `at` holds exactly `key`.
  bool keyBefore(const Step& at, const KeyBytes& key);
  bool contains(const KeyBytes& key);
  void insertEntry(std::vector<Step>& path, size_t depth, IndexEntry entry, size_t pos);
  // The largest entry below path[depth] is now `max`.
  void maxChanged(std::vector<Step>& path, size_t depth, const IndexEntry& max);
  void split(std::vector<Step>& path, size_t depth, bool appended);
  uint32_t newPage();

  PageFile& pages_;
  PageAllocator& allocator_;
  uint32_t owner_;
  RealIndex index_;
  bool gathering_;  // whether inserts are gathered (see above)
  GatheredEntries gathered_;
  std::unordered_map<uint32_t, IndexPage> cache_;
  std::vector<uint32_t> decodedLeaves_;  // leaves (and new pages) decoded in this operation
  // Leaves as last read, each while its bytes stay the same, so that a leaf visited again is
  // not read through again; a bounded number (each holds its page).
  static constexpr size_t kStoredLeaves = 2048;
  std::unordered_map<uint32_t, StoredLeaf> leaves_;
  uint64_t changes_ = 0;  // pages this tree has written
  // What the last checkInsert() found, so that the insert after it need not walk down again: the
  // key, its path, the largest entry the path passes below it, and changes_ then.
  bool checked_ = false;
  KeyBytes checkedKey_;
  std::vector<Step> checkedPath_;
  IndexEntry checkedBelow_;
  uint64_t checkedChanges_ = 0;
};

}  // namespace jet
