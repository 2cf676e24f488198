#include "archive/payload_trailer.h"

#include <limits>

#include "platform/text.h"

namespace layout {

std::optional<int64_t> parseTrailer(std::string_view bytes) {
  if (!text::isValidUtf8(bytes)) return std::nullopt;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  size_t i = 0;
  while (i < bytes.size() && bytes[i] == ' ') ++i;
  bool negative = false;
  if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
  if (i == bytes.size()) return std::nullopt;
  // Accumulate toward the negative side so that the smallest 64-bit value fits too.
  int64_t value = 0;
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  for (; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    if (value < (kMin + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (negative) return value;
  if (value == kMin) return std::nullopt;
  return -value;
}

}  // namespace layout
