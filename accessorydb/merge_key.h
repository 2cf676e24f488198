// The key by which the merge matches rows of two databases: texts match ordinally (letter case
// counts), integers by their value whatever their width, a null only another null; any other
// value only an equal value of the same type. Its 64-bit digest sorts and finds keys without
// keeping them: equal keys have equal digests, and the digest of a null or an integer is that
// key's alone.
#pragma once

#include <cstdint>
#include <variant>

#include "accessorydb/jet/value.h"
#include "platform/text.h"

namespace accessorydb {

class MergeKey {
 public:
  explicit MergeKey(const jet::Value& v);
  bool operator==(const MergeKey&) const = default;
  uint64_t digest() const;
  // Whether keys with this key's digest all equal it (no other key shares the digest).
  bool exact() const;

 private:
  std::variant<jet::Null, int64_t, text::Text, jet::Value> key_;
};

}  // namespace accessorydb
