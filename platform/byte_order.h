// Reading and writing integers of a given byte order in a byte buffer: little-endian for the ZIP,
// PE and Jet formats, big-endian for JPEG's markers.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace bytes {

inline uint16_t get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t get64(const uint8_t* p) {
  return static_cast<uint64_t>(get32(p)) | (static_cast<uint64_t>(get32(p + 4)) << 32);
}

inline void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  put16(p, static_cast<uint16_t>(v));
  put16(p + 2, static_cast<uint16_t>(v >> 16));
}
inline void put64(uint8_t* p, uint64_t v) {
  put32(p, static_cast<uint32_t>(v));
  put32(p + 4, static_cast<uint32_t>(v >> 32));
}

// `count` 16-bit units as little-endian bytes, and back: a plain copy where the machine is
// little-endian, as texts of millions of rows pass through here.
inline void put16s(uint8_t* p, const char16_t* units, size_t count) {
  if constexpr (std::endian::native == std::endian::little) {
    if (count > 0) std::memcpy(p, units, 2 * count);
  } else {
    for (size_t i = 0; i < count; ++i) put16(p + 2 * i, units[i]);
  }
}
inline void get16s(const uint8_t* p, char16_t* units, size_t count) {
  if constexpr (std::endian::native == std::endian::little) {
    if (count > 0) std::memcpy(units, p, 2 * count);
  } else {
    for (size_t i = 0; i < count; ++i) units[i] = static_cast<char16_t>(get16(p + 2 * i));
  }
}

inline uint16_t getBigEndian16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

}  // namespace bytes
