// Reading JSON Lines as `mdbtool export` writes them: one object a line whose values are null,
// true/false, numbers or strings. Nested arrays and objects are refused.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/text.h"

namespace mdbtool {

struct JsonNull {
  bool operator==(const JsonNull&) const = default;
};

// A number keeps its kind: whole numbers written without fraction or exponent are integers.
using JsonScalar = std::variant<JsonNull, bool, int64_t, double, text::Text>;

// Members in the order written; a key may not repeat.
using JsonObject = std::vector<std::pair<text::Text, JsonScalar>>;

// Parses one line; throws text::Error naming the column (1-based) and the fault. Strings keep
// every UTF-16 unit their \u escapes give, lone surrogates included.
JsonObject parseJsonObject(std::string_view line);

}  // namespace mdbtool
