#include "tests/support/test_pictures.h"

namespace fake {

std::vector<uint8_t> jpegHeader(int width, int height) {
  const auto hi = [](int v) { return static_cast<uint8_t>(v >> 8); };
  const auto lo = [](int v) { return static_cast<uint8_t>(v & 0xFF); };
  return {0xFF,      0xD8,                                                 // start of image
          0xFF,      0xC0,      0x00, 0x0B, 0x08, hi(height), lo(height),  // baseline frame
          hi(width), lo(width), 0x01, 0x01, 0x11, 0x00,                    // one component
          0xFF,      0xD9};                                                // end of image
}

std::string jpegFile(int width, int height) {
  const std::vector<uint8_t> bytes = jpegHeader(width, height);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace fake
