#include "accessorydb/key_directory.h"

#include <algorithm>
#include <limits>

#include "accessorydb/jet/mix_bits.h"
#include "platform/text.h"

namespace accessorydb {

namespace {

// The digest's bits mixed one to one with the run's seed: keys chosen to share a bucket of one
// run share none of the next.
uint64_t mixDigest(const MergeKey& key) {
  return jet::mixBits(key.digest() ^ jet::runSeed());
}

}  // namespace

void KeyDirectory::add(const MergeKey& key, uint32_t bookmark) {
  const size_t ordinal = entries_.size();
  if (ordinal >= std::numeric_limits<uint32_t>::max())
    throw text::Error(u"Tabela ma zbyt wiele wierszy do scalenia.");
  entries_.push_back({mixDigest(key), bookmark, static_cast<uint32_t>(ordinal)});
}

void KeyDirectory::seal() {
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return a.digest != b.digest ? a.digest < b.digest : a.ordinal < b.ordinal;
  });
  held_.assign(entries_.size(), false);
  // About four entries a bucket.
  constexpr size_t kEntriesPerBucket = 4;
  bucketBits_ = 0;
  while ((size_t{1} << bucketBits_) * kEntriesPerBucket < entries_.size()) ++bucketBits_;
  buckets_.assign((size_t{1} << bucketBits_) + 1, 0);
  size_t at = 0;
  for (size_t b = 0; b + 1 < buckets_.size(); ++b) {
    buckets_[b] = static_cast<uint32_t>(at);
    while (at < entries_.size() && bucketOf(entries_[at].digest) == b) ++at;
  }
  buckets_.back() = static_cast<uint32_t>(entries_.size());
  lastDigest_.reset();
}

size_t KeyDirectory::bucketOf(uint64_t mixedDigest) const {
  return bucketBits_ == 0 ? 0 : static_cast<size_t>(mixedDigest >> (64 - bucketBits_));
}

std::pair<const KeyDirectory::Entry*, const KeyDirectory::Entry*> KeyDirectory::withDigest(
    const MergeKey& key) const {
  const uint64_t digest = mixDigest(key);
  if (lastDigest_ == digest) return lastRange_;
  const size_t bucket = bucketOf(digest);
  const Entry* const begin = entries_.data() + buckets_[bucket];
  const Entry* const end = entries_.data() + buckets_[bucket + 1];
  lastRange_ = std::equal_range(begin, end, Entry{digest, 0, 0},
                                [](const Entry& a, const Entry& b) { return a.digest < b.digest; });
  lastDigest_ = digest;
  return lastRange_;
}

bool KeyDirectory::matches(const Entry& e, const MergeKey& key) const {
  return key.exact() || sameKey_(e.bookmark, key);
}

std::optional<KeyDirectory::Row> KeyDirectory::first(const MergeKey& key) const {
  const auto [begin, end] = withDigest(key);
  for (const Entry* e = begin; e != end; ++e) {
    if (matches(*e, key)) return Row{e->ordinal, e->bookmark};
  }
  return std::nullopt;
}

void KeyDirectory::markHeld(const MergeKey& key) {
  const auto [begin, end] = withDigest(key);
  for (const Entry* e = begin; e != end; ++e) {
    if (!held_[e->ordinal] && matches(*e, key)) held_[e->ordinal] = true;
  }
}

}  // namespace accessorydb
