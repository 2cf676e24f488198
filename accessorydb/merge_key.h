// The key by which the merge matches rows of two databases, hashable so that lookups need no
// scan: texts match ordinally (letter case counts), integers by their value whatever their
// width, a null only another null; any other value only an equal value of the same type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>

#include "accessorydb/jet/value.h"
#include "platform/text.h"

namespace accessorydb {

class MergeKey {
 public:
  explicit MergeKey(const jet::Value& v);
  bool operator==(const MergeKey&) const = default;
  size_t hash() const;

 private:
  std::variant<jet::Null, int64_t, text::Text, jet::Value> key_;
};

struct MergeKeyHash {
  size_t operator()(const MergeKey& k) const { return k.hash(); }
};

}  // namespace accessorydb
