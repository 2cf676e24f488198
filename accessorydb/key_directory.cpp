#include "accessorydb/key_directory.h"

#include <algorithm>

#include "platform/text.h"

namespace accessorydb {

void KeyDirectory::add(const MergeKey& key, uint32_t bookmark) {
  const size_t ordinal = entries_.size();
  if (ordinal >= kHeld) throw text::Error(u"Tabela ma zbyt wiele wierszy do scalenia.");
  entries_.push_back({key.digest(), bookmark, static_cast<uint32_t>(ordinal)});
}

void KeyDirectory::seal() {
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return a.digest != b.digest ? a.digest < b.digest : a.ordinalAndHeld < b.ordinalAndHeld;
  });
}

std::pair<KeyDirectory::Entry*, KeyDirectory::Entry*> KeyDirectory::withDigest(
    const MergeKey& key) const {
  const uint64_t digest = key.digest();
  const auto range =
      std::equal_range(entries_.begin(), entries_.end(), Entry{digest, 0, 0},
                       [](const Entry& a, const Entry& b) { return a.digest < b.digest; });
  Entry* const base = entries_.data();
  return {base + (range.first - entries_.begin()), base + (range.second - entries_.begin())};
}

bool KeyDirectory::matches(const Entry& e, const MergeKey& key) const {
  return key.exact() || sameKey_(e.bookmark, key);
}

std::optional<KeyDirectory::Row> KeyDirectory::first(const MergeKey& key) const {
  const auto [begin, end] = withDigest(key);
  for (const Entry* e = begin; e != end; ++e) {
    if (matches(*e, key)) return Row{e->ordinalAndHeld & ~kHeld, e->bookmark};
  }
  return std::nullopt;
}

void KeyDirectory::markHeld(const MergeKey& key) {
  const auto [begin, end] = withDigest(key);
  for (Entry* e = begin; e != end; ++e) {
    if ((e->ordinalAndHeld & kHeld) == 0 && matches(*e, key)) e->ordinalAndHeld |= kHeld;
  }
}

bool KeyDirectory::held(const MergeKey& key, uint32_t ordinal) const {
  const auto [begin, end] = withDigest(key);
  const Entry* e = std::lower_bound(begin, end, ordinal, [](const Entry& a, uint32_t o) {
    return (a.ordinalAndHeld & ~kHeld) < o;
  });
  return e != end && (e->ordinalAndHeld & ~kHeld) == ordinal && (e->ordinalAndHeld & kHeld);
}

}  // namespace accessorydb
