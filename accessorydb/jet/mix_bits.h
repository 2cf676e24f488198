// Spreading a 64-bit value over all its bits, for hash tables.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace jet {

// SplitMix64's finaliser: each step can be undone, so no two values meet.
inline uint64_t mixBits(uint64_t v) {
  v = (v ^ (v >> 30)) * 0xbf58476d1ce4e5b9u;
  v = (v ^ (v >> 27)) * 0x94d049bb133111ebu;
  return v ^ (v >> 31);
}

// A random value chosen once per run. Hash tables over keys of an untrusted file mix it into
// their hashes: keys crafted to share a bucket of one run's hash spread over the next's.
inline uint64_t runSeed() {
  static const uint64_t seed = [] {
    std::random_device device;
    const uint64_t random = (uint64_t{device()} << 32) ^ device();
    // The clock too, should the device be a fixed sequence on some platform.
    const auto now =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return mixBits(random ^ mixBits(now));
  }();
  return seed;
}

}  // namespace jet
