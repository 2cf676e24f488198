#include "accessorydb/jet/gathered_entries.h"

#include <algorithm>
#include <cstring>

#include "accessorydb/jet/mix_bits.h"

namespace jet {

namespace {

constexpr size_t kLengthSize = 2;

uint64_t hashKey(ByteView key) {
  uint64_t h = key.size();
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

}  // namespace

size_t GatheredEntries::memoryBytes() const {
  return bytes_.capacity() + starts_.capacity() * sizeof(uint32_t) +
         slots_.capacity() * sizeof(uint32_t);
}

ByteView GatheredEntries::entry(size_t i) const {
  const uint8_t* at = bytes_.data() + starts_[i];
  return ByteView(at + kLengthSize, u16le(at));
}

ByteView GatheredEntries::keyOf(uint32_t start) const {
  const uint8_t* at = bytes_.data() + start;
  return ByteView(at + kLengthSize, u16le(at) - indexpage::kRowIdSize);
}

size_t GatheredEntries::slotFor(ByteView key, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t s = static_cast<size_t>(hash) & mask;; s = (s + 1) & mask) {
    const uint32_t start = slots_[s];
    if (start == 0) return s;
    const ByteView other = keyOf(start - 1);
    if (std::equal(key.begin(), key.end(), other.begin(), other.end())) return s;
  }
}

bool GatheredEntries::containsKey(const KeyBytes& key) const {
  if (slots_.empty()) return false;
  return slots_[slotFor(key, hashKey(key))] != 0;
}

void GatheredEntries::add(const KeyBytes& key, RowPointer row) {
  if (2 * (keys_ + 1) > slots_.size()) grow();
  const auto start = static_cast<uint32_t>(bytes_.size());
  bytes_.resize(bytes_.size() + kLengthSize);
  putU16le(bytes_.data() + start, static_cast<uint16_t>(key.size() + indexpage::kRowIdSize));
  appendLeafEntry(bytes_, key, row);
  starts_.push_back(start);
  const size_t s = slotFor(key, hashKey(key));
  if (slots_[s] == 0) {
    slots_[s] = start + 1;
    ++keys_;
  }
}

void GatheredEntries::grow() {
  std::vector<uint32_t> old = std::move(slots_);
  slots_.assign(std::max<size_t>(64, 2 * old.size()), 0);
  for (const uint32_t start : old) {
    if (start == 0) continue;
    const ByteView key = keyOf(start - 1);
    slots_[slotFor(key, hashKey(key))] = start;
  }
}

void GatheredEntries::sort() {
  slots_ = {};
  keys_ = 0;
  std::sort(starts_.begin(), starts_.end(), [this](uint32_t a, uint32_t b) {
    const uint8_t* pa = bytes_.data() + a;
    const uint8_t* pb = bytes_.data() + b;
    return entryLess(ByteView(pa + kLengthSize, u16le(pa)), ByteView(pb + kLengthSize, u16le(pb)));
  });
}

void GatheredEntries::clear() {
  bytes_ = {};
  starts_ = {};
  slots_ = {};
  keys_ = 0;
}

}  // namespace jet
