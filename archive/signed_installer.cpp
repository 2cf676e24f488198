#include "archive/signed_installer.h"

#include <array>

#include "platform/byte_order.h"

namespace layout {

namespace {

constexpr int kSecurityDirectory = 4;
constexpr uint64_t kMaxSignerPadding = 7;  // the table starts on an 8-byte boundary

using bytes::get16;
using bytes::get32;

// The certificate table's file offset and size from the PE header, or {0, 0}.
std::pair<uint64_t, uint64_t> certificateTable(plat::File& exe) {
  std::array<uint8_t, 64> dos{};
  if (exe.readAt(0, dos.data(), dos.size()) != dos.size() || dos[0] != 'M' || dos[1] != 'Z') {
    return {0, 0};
  }
  const uint64_t pe = get32(&dos[0x3C]);
  std::array<uint8_t, 24 + 240> hdr{};  // signature, file header, optional header
  const size_t got = exe.readAt(pe, hdr.data(), hdr.size());
  if (got < 24 + 2 || hdr[0] != 'P' || hdr[1] != 'E' || hdr[2] != 0 || hdr[3] != 0) return {0, 0};
  const uint32_t optionalSize = get16(&hdr[20]);
  const uint8_t* opt = &hdr[24];
  const uint32_t magic = get16(opt);
  // PE32 and PE32+ differ in where the data directories begin.
  const uint32_t countAt = magic == 0x10B ? 92 : magic == 0x20B ? 108 : 0;
  if (countAt == 0) return {0, 0};
  const uint32_t dirAt = countAt + 4 + kSecurityDirectory * 8;
  if (dirAt + 8 > optionalSize || 24 + dirAt + 8 > got) return {0, 0};
  if (get32(opt + countAt) <= kSecurityDirectory) return {0, 0};
  return {get32(opt + dirAt), get32(opt + dirAt + 4)};
}

}  // namespace

uint64_t layoutEnd(plat::File& exe) {
  const uint64_t size = exe.size();
  const auto [table, tableSize] = certificateTable(exe);
  if (table == 0 || tableSize == 0 || table > size || table + tableSize != size) return size;
  uint64_t end = table;
  std::array<uint8_t, kMaxSignerPadding> tail{};
  const uint64_t from = end >= tail.size() ? end - tail.size() : 0;
  const size_t n = exe.readAt(from, tail.data(), static_cast<size_t>(end - from));
  for (size_t i = n; i > 0 && tail[i - 1] == 0; --i) --end;
  return end;
}

}  // namespace layout
