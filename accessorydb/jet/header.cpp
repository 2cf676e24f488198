#include "accessorydb/jet/header.h"

#include <cmath>
#include <string_view>

#include "accessorydb/jet/rc4.h"

namespace jet {

namespace {

bool startsWith(const uint8_t* page, std::string_view name) {
  return std::string_view(reinterpret_cast<const char*>(page + page0::kEngineNameOffset),
                          name.size()) == name;
}

}  // namespace

const std::array<uint8_t, page0::kMaskLength>& headerMask() {
  static const auto mask = [] {
    const std::vector<uint8_t> stream = rc4KeyStream(page0::kMaskKey, page0::kMaskLength);
    std::array<uint8_t, page0::kMaskLength> out;
    std::copy(stream.begin(), stream.end(), out.begin());
    return out;
  }();
  return mask;
}

void maskHeader(uint8_t* page) {
  const auto& mask = headerMask();
  for (size_t i = 0; i < page0::kMaskLength; ++i) page[page0::kMaskOffset + i] ^= mask[i];
}

void togglePasswordMask(uint8_t* plainPage) {
  // The creation day number, little-endian, repeated; a date too large for it leaves no mask.
  const double created = f64le(plainPage + page0::kCreatedOffset);
  uint8_t mask[page0::kPasswordMaskSize] = {};
  if (std::isfinite(created) && std::fabs(created) < 4e9) {
    putU32le(mask, static_cast<uint32_t>(static_cast<int64_t>(std::trunc(created))));
  }
  for (size_t i = 0; i < page0::kPasswordSize; ++i) {
    plainPage[page0::kPasswordOffset + i] ^= mask[i % page0::kPasswordMaskSize];
  }
}

Header decodeHeader(const uint8_t* page) {
  if (page[pagehead::kTypeOffset] != kPageHeader) {
    throw Error(ErrorKind::NotJet4, u"Not a Jet database: page 0 is not a header page");
  }
  if (startsWith(page, page0::kAceEngineName)) {
    throw Error(ErrorKind::NotJet4,
                u"Not a Jet 4 database: ACE (Access 2007 or later) files are not supported");
  }
  if (!startsWith(page, page0::kJetEngineName)) {
    throw Error(ErrorKind::NotJet4, u"Not a Jet database: no Jet signature");
  }
  Header h;
  h.version = page[page0::kVersionOffset];
  if (h.version == page0::kVersionJet3) {
    throw Error(ErrorKind::NotJet4,
                u"Not a Jet 4 database: Jet 3 (Access 97) files are not supported");
  }
  if (h.version != page0::kVersionJet4) {
    throw Error(ErrorKind::NotJet4,
                u"Not a Jet 4 database: unknown format version " + text::num(h.version));
  }
  uint8_t plain[kPageSize];
  std::copy(page, page + kPageSize, plain);
  maskHeader(plain);
  h.codePage = u16le(plain + page0::kCodePageOffset);
  h.databaseKey = u32le(plain + page0::kDatabaseKeyOffset);
  if (h.databaseKey != 0)
    throw Error(ErrorKind::Encrypted, u"Encrypted Jet databases are not supported");
  h.sortOrder = u16le(plain + page0::kSortOrderOffset);
  h.sortOrderVersion = plain[page0::kSortOrderVersionOffset];
  h.created = f64le(plain + page0::kCreatedOffset);
  togglePasswordMask(plain);
  for (size_t i = 0; i + kTextCharSize <= page0::kPasswordSize; i += kTextCharSize) {
    const auto c = static_cast<char16_t>(u16le(plain + page0::kPasswordOffset + i));
    if (c == 0) break;
    h.password.push_back(c);
  }
  return h;
}

}  // namespace jet
