#include "accessorydb/jet/gathered_entries.h"

#include <algorithm>
#include <cstring>

#include "accessorydb/jet/mix_bits.h"

namespace jet {

namespace {

constexpr size_t kLengthSize = 2;

// The key's tag: the top half of its hash, seeded (runSeed()) so that a file's keys cannot be
// made to share a bucket, which would make each add probe past all of them.
uint32_t tagOf(ByteView key) {
  uint64_t h = mixBits(runSeed() ^ key.size());
  size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, key.data() + i, 8);
    h = mixBits(h ^ word);
  }
  uint64_t rest = 0;
  if (i < key.size()) std::memcpy(&rest, key.data() + i, key.size() - i);
  return static_cast<uint32_t>(mixBits(h ^ rest ^ (uint64_t{1} << 63)) >> 32);
}

// An entry's first eight bytes as a number that orders as the bytes do, zeros past its end: two
// entries whose prefixes differ are ordered by them.
uint64_t prefixOf(ByteView e) {
  uint64_t word = 0;
  std::memcpy(&word, e.data(), 8);  // the block's slack allows reading past a short entry
  uint64_t big = 0;
  for (size_t i = 0; i < 8; ++i) big = (big << 8) | ((word >> (8 * i)) & 0xFF);
  if (e.size() < 8) big &= ~uint64_t{0} << (8 * (8 - e.size()));
  return big;
}

}  // namespace

size_t GatheredEntries::memoryBytes() const {
  return blocks_.size() * (kBlockSize + kBlockSlack) + slots_.capacity() * sizeof(uint64_t) +
         sorted_.capacity() * sizeof(Sorted);
}

ByteView GatheredEntries::entryAt(uint32_t place) const {
  const uint8_t* p = at(place);
  return ByteView(p + kLengthSize, u16le(p));
}

ByteView GatheredEntries::keyAt(uint32_t place) const {
  const ByteView e = entryAt(place);
  return e.first(e.size() - indexpage::kRowIdSize);
}

size_t GatheredEntries::slotFor(ByteView key, uint32_t tag) const {
  const size_t mask = slots_.size() - 1;
  for (size_t s = homeOf(tag);; s = (s + 1) & mask) {
    const uint64_t slot = slots_[s];
    if (slot == 0) return s;
    if (static_cast<uint32_t>(slot >> 32) != tag) continue;
    const ByteView other = keyAt(static_cast<uint32_t>(slot) - 1);
    if (std::equal(key.begin(), key.end(), other.begin(), other.end())) return s;
  }
}

bool GatheredEntries::containsKey(const KeyBytes& key) const {
  if (slots_.empty()) return false;
  return slots_[slotFor(key, tagOf(key))] != 0;
}

void GatheredEntries::prefetch(const KeyBytes& key) const {
  if (!slots_.empty()) __builtin_prefetch(&slots_[homeOf(tagOf(key))]);
}

void GatheredEntries::add(const KeyBytes& key, RowPointer row) {
  const size_t length = key.size() + indexpage::kRowIdSize;
  if (used_ + kLengthSize + length > kBlockSize) {
    // A length of 0 ends the block, where there is room for it.
    if (used_ + kLengthSize <= kBlockSize) putU16le(blocks_.back().get() + used_, 0);
    if (blocks_.size() == (size_t{1} << (32 - kBlockBits))) {
      throw Error(ErrorKind::TooLarge, u"Too many index entries to gather in memory");
    }
    blocks_.push_back(std::make_unique<uint8_t[]>(kBlockSize + kBlockSlack));
    used_ = 0;
  }
  const auto place =
      static_cast<uint32_t>(((blocks_.size() - 1) << kBlockBits) | static_cast<uint32_t>(used_));
  uint8_t* p = blocks_.back().get() + used_;
  putU16le(p, static_cast<uint16_t>(length));
  std::copy(key.begin(), key.end(), p + kLengthSize);
  putRowId(p + kLengthSize + key.size(), row);
  used_ += kLengthSize + length;
  ++count_;

  if (4 * (keys_ + 1) > 3 * slots_.size()) grow();
  const uint32_t tag = tagOf(key);
  const size_t s = slotFor(key, tag);
  if (slots_[s] == 0) {
    slots_[s] = uint64_t{tag} << 32 | (place + 1);
    ++keys_;
  }
}

void GatheredEntries::grow() {
  std::vector<uint64_t> old = std::move(slots_);
  slotBits_ = old.empty() ? 6 : slotBits_ + 1;
  slots_.assign(size_t{1} << slotBits_, 0);
  const size_t mask = slots_.size() - 1;
  // Every key is distinct: each slot goes to the first free one from its home.
  for (const uint64_t slot : old) {
    if (slot == 0) continue;
    size_t s = homeOf(static_cast<uint32_t>(slot >> 32));
    while (slots_[s] != 0) s = (s + 1) & mask;
    slots_[s] = slot;
  }
}

void GatheredEntries::sort() {
  slots_ = {};
  slotBits_ = 0;
  keys_ = 0;
  sorted_.clear();
  sorted_.reserve(count_);
  for (size_t b = 0; b < blocks_.size(); ++b) {
    const size_t end = b + 1 == blocks_.size() ? used_ : kBlockSize;
    for (size_t pos = 0; pos + kLengthSize <= end;) {
      const size_t length = u16le(blocks_[b].get() + pos);
      if (length == 0) break;
      const auto place = static_cast<uint32_t>((b << kBlockBits) | pos);
      sorted_.push_back({prefixOf(entryAt(place)), place});
      pos += kLengthSize + length;
    }
  }
  // The prefixes decide nearly every comparison without reading an entry.
  std::sort(sorted_.begin(), sorted_.end(), [this](const Sorted& a, const Sorted& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return entryLess(entryAt(a.place), entryAt(b.place));
  });
}

void GatheredEntries::clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  used_ = kBlockSize;
  count_ = 0;
  slots_ = {};
  slotBits_ = 0;
  keys_ = 0;
  sorted_ = {};
}

}  // namespace jet
