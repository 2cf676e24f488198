// Leaf entries of an index gathered in memory, to be stored sorted in one pass (see IndexTree):
// an entry costs its bytes and about twenty more (fourteen while they are sorted), and whether a
// key is among them is one hash lookup instead of a walk down a tree.
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
  // Starts fetching the memory a lookup of the key reads, for a lookup soon after.
  void prefetch(const KeyBytes& key) const;
  // Adds the leaf entry of `key` and `row`. Throws Error past 4 GiB of entries.
  void add(const KeyBytes& key, RowPointer row);

  // Puts the entries in ascending order (key, then row); entry() then gives them in that order,
  // and containsKey() and add() may not be called until clear().
  void sort();
  ByteView entry(size_t i) const { return entryAt(sorted_[i].place); }
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
  size_t slotFor(ByteView key, uint32_t tag) const;
  // The slot a tag starts its probe at: its top bits, so that doubling the table keeps the
  // slots' order and grow() moves them in one pass without reading a key.
  size_t homeOf(uint32_t tag) const { return tag >> (32 - slotBits_); }
  void grow();

  // A sorted entry: its first eight bytes as a number that orders as the bytes do, and its place;
  // packed in 12 bytes, as there may be millions.
#pragma pack(push, 4)
  struct Sorted {
    uint64_t prefix;
    uint32_t place;
  };
#pragma pack(pop)
  static_assert(sizeof(Sorted) == 12);

  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  size_t used_ = kBlockSize;  // bytes taken in the last block
  size_t count_ = 0;
  // Open addressing by key, at most three quarters full: 0 when empty, else the key's tag (the
  // top half of its hash) above the place of one entry with that key plus one. A probe compares
  // tags and reads an entry's key only when they are equal, and the key lies far away.
  std::vector<uint64_t> slots_;
  unsigned slotBits_ = 0;  // slots_.size() is 2^slotBits_
  size_t keys_ = 0;
  std::vector<Sorted> sorted_;  // every entry, in order, once sorted
};

}  // namespace jet
