// Spreading a 64-bit value over all its bits, for hash tables.
#pragma once

#include <cstdint>

namespace jet {

// SplitMix64's finaliser: each step can be undone, so no two values meet.
inline uint64_t mixBits(uint64_t v) {
  v = (v ^ (v >> 30)) * 0xbf58476d1ce4e5b9u;
  v = (v ^ (v >> 27)) * 0x94d049bb133111ebu;
  return v ^ (v >> 31);
}

}  // namespace jet
