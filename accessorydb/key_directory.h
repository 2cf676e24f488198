// The keys of a table's rows, in about 17 bytes a row: where the first row with a key lies, and
// which keys the merge's destination holds, without keeping the rows in memory. A key its digest
// does not identify alone (a text) is confirmed by the caller's `SameKey`, which reads the row
// back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "accessorydb/merge_key.h"

namespace accessorydb {

class KeyDirectory {
 public:
  // Whether the row at the bookmark has the key.
  using SameKey = std::function<bool(uint32_t bookmark, const MergeKey& key)>;

  struct Row {
    uint32_t ordinal;  // its place in table order, from 0
    uint32_t bookmark;
  };

  explicit KeyDirectory(SameKey sameKey) : sameKey_(std::move(sameKey)) {}

  // The rows in table order, then seal() before any lookup.
  void add(const MergeKey& key, uint32_t bookmark);
  void seal();

  // The first row with the key, in table order.
  std::optional<Row> first(const MergeKey& key) const;
  // Notes that the destination holds the key, for every row that has it.
  void markHeld(const MergeKey& key);
  // Whether the destination holds the key of the row at `ordinal`.
  bool held(uint32_t ordinal) const { return ordinal < held_.size() && held_[ordinal]; }

 private:
  struct Entry {
    // The key's digest with its bits mixed one to one (jet::mixBits, seeded per run), so that
    // equal digests stay equal and the top bits of close digests (consecutive IDs) differ.
    uint64_t digest;
    uint32_t bookmark;
    uint32_t ordinal;
  };

  size_t bucketOf(uint64_t mixedDigest) const;
  // The entries with the key's digest, in table order.
  std::pair<const Entry*, const Entry*> withDigest(const MergeKey& key) const;
  bool matches(const Entry& e, const MergeKey& key) const;

  SameKey sameKey_;
  std::vector<Entry> entries_;  // by mixed digest, then ordinal
  std::vector<bool> held_;      // by ordinal: whether the destination holds the row's key
  // Where the entries of each value of the mixed digest's top bits start (a few entries each),
  // so that a lookup searches a few neighbouring entries instead of the whole directory.
  std::vector<uint32_t> buckets_;
  unsigned bucketBits_ = 0;
  // The last lookup's digest and entries: a row is looked up, then marked held, by the same key.
  mutable std::optional<uint64_t> lastDigest_;
  mutable std::pair<const Entry*, const Entry*> lastRange_{nullptr, nullptr};
};

}  // namespace accessorydb
