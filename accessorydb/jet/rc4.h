// RC4 key streams: Jet masks page 0 with one and every security id (SID) with another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jet {

// The first `length` bytes of the RC4 stream for a 32-bit key taken as 4 little-endian bytes.
std::vector<uint8_t> rc4KeyStream(uint32_t key, size_t length);

}  // namespace jet
