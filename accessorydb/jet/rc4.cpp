#include "accessorydb/jet/rc4.h"

#include <array>
#include <utility>

namespace jet {

std::vector<uint8_t> rc4KeyStream(uint32_t key, size_t length) {
  const uint8_t k[4] = {static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
                        static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 24)};
  std::array<uint8_t, 256> s;
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint8_t>(i);
  for (size_t i = 0, j = 0; i < s.size(); ++i) {
    j = (j + s[i] + k[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::vector<uint8_t> out(length);
  for (size_t n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

}  // namespace jet
