#include "accessorydb/jet/gathered_entries.h"

#include <algorithm>
#include <cstring>

#include "accessorydb/jet/mix_bits.h"

namespace jet {

namespace {

constexpr size_t kLengthSize = 2;

// Seeded (runSeed()): a file's keys cannot be made to share a bucket, which would make each add
// probe past all of them.
uint64_t hashKey(ByteView key) {
  uint64_t h = mixBits(runSeed() ^ key.size());
  size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, key.data() + i, 8);
    h = mixBits(h ^ word);
  }
  uint64_t rest = 0;
  if (i < key.size()) std::memcpy(&rest, key.data() + i, key.size() - i);
  return mixBits(h ^ rest ^ (uint64_t{1} << 63));
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
  return blocks_.size() * (kBlockSize + kBlockSlack) + slots_.capacity() * sizeof(uint32_t) +
         sorted_.capacity() * sizeof(uint32_t);
}

ByteView GatheredEntries::entryAt(uint32_t place) const {
  const uint8_t* p = at(place);
  return ByteView(p + kLengthSize, u16le(p));
}

ByteView GatheredEntries::keyAt(uint32_t place) const {
  const ByteView e = entryAt(place);
  return e.first(e.size() - indexpage::kRowIdSize);
}

size_t GatheredEntries::slotFor(ByteView key, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t s = static_cast<size_t>(hash) & mask;; s = (s + 1) & mask) {
    const uint32_t place = slots_[s];
    if (place == 0) return s;
    const ByteView other = keyAt(place - 1);
    if (std::equal(key.begin(), key.end(), other.begin(), other.end())) return s;
  }
}

bool GatheredEntries::containsKey(const KeyBytes& key) const {
  if (slots_.empty()) return false;
  return slots_[slotFor(key, hashKey(key))] != 0;
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
  const size_t s = slotFor(key, hashKey(key));
  if (slots_[s] == 0) {
    slots_[s] = place + 1;
    ++keys_;
  }
}

void GatheredEntries::grow() {
  std::vector<uint32_t> old = std::move(slots_);
  slots_.assign(std::max<size_t>(64, 2 * old.size()), 0);
  for (const uint32_t place : old) {
    if (place == 0) continue;
    const ByteView key = keyAt(place - 1);
    slots_[slotFor(key, hashKey(key))] = place;
  }
}

void GatheredEntries::sort() {
  slots_ = {};
  keys_ = 0;
  sorted_.clear();
  sorted_.reserve(count_);
  for (size_t b = 0; b < blocks_.size(); ++b) {
    const size_t end = b + 1 == blocks_.size() ? used_ : kBlockSize;
    for (size_t pos = 0; pos + kLengthSize <= end;) {
      const size_t length = u16le(blocks_[b].get() + pos);
      if (length == 0) break;
      sorted_.push_back(static_cast<uint32_t>((b << kBlockBits) | pos));
      pos += kLengthSize + length;
    }
  }
  std::sort(sorted_.begin(), sorted_.end(), [this](uint32_t a, uint32_t b) {
    const ByteView ea = entryAt(a);
    const ByteView eb = entryAt(b);
    const uint64_t pa = prefixOf(ea);
    const uint64_t pb = prefixOf(eb);
    if (pa != pb) return pa < pb;
    return entryLess(ea, eb);
  });
}

void GatheredEntries::clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  used_ = kBlockSize;
  count_ = 0;
  slots_ = {};
  keys_ = 0;
  sorted_ = {};
}

}  // namespace jet
