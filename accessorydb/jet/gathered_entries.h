// Leaf entries of an index gathered in memory, to be stored sorted in one pass (see IndexTree):
// an entry costs its bytes and about ten more, and whether a key is among them is one hash
// lookup instead of a walk down a tree.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"

namespace jet {

class GatheredEntries {
 public:
  bool empty() const { return count_ == 0; }
  size_t size() const { return count_; }
  // The memory the entries take, for the caller's bound.
  size_t memoryBytes() const;

  // Whether an entry with exactly this key is among them.
  bool containsKey(const KeyBytes& key) const;
  // Adds the leaf entry of `key` and `row`. Throws Error past 4 GiB of entries.
  void add(const KeyBytes& key, RowPointer row);

  // Puts the entries in ascending order (key, then row); entry() then gives them in that order,
  // and containsKey() and add() may not be called until clear().
  void sort();
  ByteView entry(size_t i) const { return entryAt(sorted_[i]); }
  void clear();

 private:
  // Entries lie in blocks, each as its length (two bytes) and its bytes; a block ends at a
  // length of 0 or when too few bytes are left for a length. An entry's place is its block
  // number and its offset in the block.
  static constexpr uint32_t kBlockBits = 16;
  static constexpr size_t kBlockSize = size_t{1} << kBlockBits;
  // Bytes past a block's end that may be read (sort() reads eight bytes at an entry's start).
  static constexpr size_t kBlockSlack = 8;

  const uint8_t* at(uint32_t place) const {
    return blocks_[place >> kBlockBits].get() + (place & (kBlockSize - 1));
  }
  ByteView entryAt(uint32_t place) const;
  ByteView keyAt(uint32_t place) const;
  // The slot that holds the place of an entry with this key, or the empty slot where it would go.
  size_t slotFor(ByteView key, uint64_t hash) const;
  void grow();

  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  size_t used_ = kBlockSize;  // bytes taken in the last block
  size_t count_ = 0;
  // Open addressing by key: the place of one entry with that key plus one, 0 when empty; at most
  // three quarters full.
  std::vector<uint32_t> slots_;
  size_t keys_ = 0;
  std::vector<uint32_t> sorted_;  // every entry's place, in order, once sorted
};

}  // namespace jet
