// Reads the pixel size and coding of a JPEG file from its frame header, without decoding it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace plat {

struct JpegInfo {
  int width = 0;
  int height = 0;
  bool progressive = false;
};

// Walks the markers up to the first start-of-frame. Returns nothing for data that is not a
// JPEG picture or whose frame is of a kind common decoders do not show (lossless, arithmetic).
std::optional<JpegInfo> readJpegInfo(const uint8_t* data, size_t size);

}  // namespace plat
