#include "accessorydb/merge_key.h"

#include <string>

#include "accessorydb/jet/mix_bits.h"

namespace accessorydb {

namespace {

struct Normalise {
  using Key = std::variant<jet::Null, int64_t, text::Text, jet::Value>;
  Key operator()(jet::Null) const { return jet::Null{}; }
  Key operator()(uint8_t v) const { return int64_t{v}; }
  Key operator()(int16_t v) const { return int64_t{v}; }
  Key operator()(int32_t v) const { return int64_t{v}; }
  Key operator()(const std::u16string& v) const { return v; }
  template <typename T>
  Key operator()(const T& v) const {
    return jet::Value(std::in_place_type<T>, v);
  }
};

// Digests: a null is 0, an integer (all of them fit 32 bits) 2^32 plus its 32 bits, anything
// else a hash with the top bit set.
constexpr uint64_t kIntegerDigest = uint64_t{1} << 32;
constexpr uint64_t kHashedDigest = uint64_t{1} << 63;

// FNV-1a over the UTF-16 units: 64 bits on every build. Its start is seeded per run, so that
// texts of a file cannot be crafted to share a digest (each lookup would read all of them back).
uint64_t textHash(const text::Text& t) {
  uint64_t h = 14695981039346656037ULL ^ jet::runSeed();
  for (const char16_t c : t) {
    h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ULL;
    h = (h ^ static_cast<uint8_t>(c >> 8)) * 1099511628211ULL;
  }
  return h;
}

}  // namespace

MergeKey::MergeKey(const jet::Value& v) : key_(std::visit(Normalise{}, v)) {}

uint64_t MergeKey::digest() const {
  if (const auto* n = std::get_if<int64_t>(&key_))
    return kIntegerDigest | static_cast<uint32_t>(*n);
  if (const auto* t = std::get_if<text::Text>(&key_)) return kHashedDigest | textHash(*t);
  // The rare other types (the schema keys on texts and integers): equal values share their
  // type's digest, which is all a digest must give.
  if (const auto* other = std::get_if<jet::Value>(&key_)) return kHashedDigest | other->index();
  return 0;
}

bool MergeKey::exact() const {
  return std::holds_alternative<jet::Null>(key_) || std::holds_alternative<int64_t>(key_);
}

}  // namespace accessorydb
