#include "platform/jpeg_size.h"

#include "platform/byte_order.h"

namespace plat {

std::optional<JpegInfo> readJpegInfo(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return std::nullopt;
  size_t pos = 2;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return std::nullopt;
    const uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the scan
    const size_t len = bytes::getBigEndian16(data + pos + 2);
    if (len < 2) return std::nullopt;
    // Baseline (C0), extended sequential (C1) and progressive (C2) Huffman frames.
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      if (pos + 4 + 5 > size || len < 7) return std::nullopt;
      const uint8_t* f = data + pos + 4;
      JpegInfo info;
      info.height = bytes::getBigEndian16(f + 1);
      info.width = bytes::getBigEndian16(f + 3);
      info.progressive = marker == 0xC2;
      if (info.width == 0 || info.height == 0) return std::nullopt;
      return info;
    }
    if (marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      return std::nullopt;  // lossless or arithmetic-coded frames
    }
    pos += 2 + len;
  }
  return std::nullopt;
}

}  // namespace plat
