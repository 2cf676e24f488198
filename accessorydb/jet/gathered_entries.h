// Leaf entries of an index gathered in memory, to be stored sorted in one pass (see IndexTree):
// an entry costs its bytes and about ten more, and whether a key is among them is one hash
// lookup instead of a walk down a tree.
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"

namespace jet {

class GatheredEntries {
 public:
  bool empty() const { return starts_.empty(); }
  size_t size() const { return starts_.size(); }
  // The memory the entries take, for the caller's bound.
  size_t memoryBytes() const;

  // Whether an entry with exactly this key is among them.
  bool containsKey(const KeyBytes& key) const;
  // Adds the leaf entry of `key` and `row`.
  void add(const KeyBytes& key, RowPointer row);

  // Puts the entries in ascending order (key, then row); entry() then gives them in that order,
  // and containsKey() no longer answers until clear().
  void sort();
  ByteView entry(size_t i) const;
  void clear();

 private:
  ByteView keyOf(uint32_t start) const;
  // The slot that holds the entry with this key, or the empty slot where it would go.
  size_t slotFor(ByteView key, uint64_t hash) const;
  void grow();

  // Each entry as its length (two bytes) and its bytes, one after another.
  std::vector<uint8_t> bytes_;
  std::vector<uint32_t> starts_;  // where each entry starts in bytes_
  // Open addressing by key: the start of one entry with that key plus one, 0 when empty; at
  // most half full.
  std::vector<uint32_t> slots_;
  size_t keys_ = 0;
};

}  // namespace jet
