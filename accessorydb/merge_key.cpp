#include "accessorydb/merge_key.h"

#include <functional>
#include <string>

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

}  // namespace

MergeKey::MergeKey(const jet::Value& v) : key_(std::visit(Normalise{}, v)) {}

size_t MergeKey::hash() const {
  const size_t kind = key_.index();
  if (const auto* n = std::get_if<int64_t>(&key_)) return std::hash<int64_t>{}(*n) ^ kind;
  if (const auto* t = std::get_if<text::Text>(&key_)) return std::hash<text::Text>{}(*t) ^ kind;
  // Nulls and the rare other types (the schema keys on texts and integers): equal values
  // still land in one bucket, which is all a hash must give.
  if (const auto* other = std::get_if<jet::Value>(&key_)) return other->index() * 31 + kind;
  return kind;
}

}  // namespace accessorydb
