// A stand-in for a signed program: just enough of a PE header to name a certificate table, the
// way Authenticode signing leaves one at the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testpe {

inline constexpr uint16_t kPe32 = 0x10B;
inline constexpr uint16_t kPe32Plus = 0x20B;

// `length` bytes of program whose PE header names a certificate table at [table, table + size).
inline std::string peProgram(size_t length, uint32_t table, uint32_t size, uint16_t magic = kPe32) {
  std::string p(length, '\0');
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<char>(v >> (8 * i));
  };
  constexpr size_t kPe = 0x80;
  constexpr size_t kOptional = kPe + 24;
  // Where the optional header's data directories begin.
  const uint32_t directories = magic == kPe32 ? 96 : 112;
  p[0] = 'M', p[1] = 'Z';
  put32(0x3C, kPe);
  p.replace(kPe, 4, std::string("PE\0\0", 4));
  p[kPe + 20] = static_cast<char>(directories + 16 * 8);  // the optional header's size
  p[kOptional] = static_cast<char>(magic & 0xFF), p[kOptional + 1] = static_cast<char>(magic >> 8);
  put32(kOptional + directories - 4, 16);         // number of data directories
  put32(kOptional + directories + 4 * 8, table);  // the security directory
  put32(kOptional + directories + 4 * 8 + 4, size);
  return p;
}

}  // namespace testpe
