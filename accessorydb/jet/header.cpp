#include "accessorydb/jet/header.h"

#include <cmath>
#include <string_view>

#include "accessorydb/jet/rc4.h"

namespace jet {

namespace {

constexpr uint32_t kMaskKey = 0x6B39DAC7;
constexpr std::string_view kJetEngineName = "Standard Jet DB";
constexpr std::string_view kAceEngineName = "Standard ACE DB";

bool startsWith(const uint8_t* page0, std::string_view name) {
  return std::string_view(reinterpret_cast<const char*>(page0 + 4), name.size()) == name;
}

}  // namespace

const std::array<uint8_t, kHeaderMaskLength>& headerMask() {
  static const auto mask = [] {
    const std::vector<uint8_t> stream = rc4KeyStream(kMaskKey, kHeaderMaskLength);
    std::array<uint8_t, kHeaderMaskLength> out;
    std::copy(stream.begin(), stream.end(), out.begin());
    return out;
  }();
  return mask;
}

void maskHeader(uint8_t* page0) {
  const auto& mask = headerMask();
  for (size_t i = 0; i < kHeaderMaskLength; ++i) page0[kHeaderMaskOffset + i] ^= mask[i];
}

Header decodeHeader(const uint8_t* page0) {
  if (page0[0] != kPageHeader) throw Error(u"Not a Jet database: page 0 is not a header page");
  if (startsWith(page0, kAceEngineName)) {
    throw Error(u"Not a Jet 4 database: ACE (Access 2007 or later) files are not supported");
  }
  if (!startsWith(page0, kJetEngineName)) throw Error(u"Not a Jet database: no Jet signature");
  Header h;
  h.version = page0[0x14];
  if (h.version == kVersionJet3) {
    throw Error(u"Not a Jet 4 database: Jet 3 (Access 97) files are not supported");
  }
  if (h.version != kVersionJet4) {
    throw Error(u"Not a Jet 4 database: unknown format version " + text::num(h.version));
  }
  uint8_t plain[kPageSize];
  std::copy(page0, page0 + kPageSize, plain);
  maskHeader(plain);
  h.codePage = u16le(plain + 0x3C);
  h.databaseKey = u32le(plain + 0x3E);
  if (h.databaseKey != 0) throw Error(u"Encrypted Jet databases are not supported");
  h.sortOrder = u16le(plain + 0x6E);
  h.sortOrderVersion = plain[0x71];
  h.created = f64le(plain + 0x72);
  // The password area is XORed with the creation day number, repeated.
  uint8_t dayMask[4] = {};
  if (std::isfinite(h.created) && std::fabs(h.created) < 4e9) {
    putU32le(dayMask, static_cast<uint32_t>(static_cast<int64_t>(std::trunc(h.created))));
  }
  for (size_t i = 0; i + 1 < 40; i += 2) {
    const auto c = static_cast<char16_t>((plain[0x42 + i] ^ dayMask[i % 4]) |
                                         ((plain[0x43 + i] ^ dayMask[(i + 1) % 4]) << 8));
    if (c == 0) break;
    h.password.push_back(c);
  }
  return h;
}

}  // namespace jet
