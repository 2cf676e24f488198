// Small picture files for tests that only need a picture's header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fake {

// The smallest byte sequence that reads as a baseline JPEG of the given size (no image data).
std::vector<uint8_t> jpegHeader(int width, int height);
// The same, as a file's bytes: a package's cover.
std::string jpegFile(int width, int height);

}  // namespace fake
