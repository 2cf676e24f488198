#include "accessorydb/jet/header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A page 0 in clear: signature, Jet 4, the given fields; masked as Jet stores it.
Bytes header(double created, const std::u16string& password) {
  Bytes p(jet::kPageSize, 0);
  p[0x01] = 0x01;
  std::memcpy(&p[4], "Standard Jet DB", 15);
  p[0x14] = 0x01;  // Jet 4
  jet::putU16le(&p[0x3C], 1250);
  jet::putU16le(&p[0x6E], 1045);
  uint64_t bits;
  std::memcpy(&bits, &created, 8);
  jet::putU64le(&p[0x72], bits);
  uint8_t day[4];
  jet::putU32le(day, static_cast<uint32_t>(static_cast<int64_t>(created)));
  for (size_t i = 0; i < 40; ++i) {
    const char16_t c = i / 2 < password.size() ? password[i / 2] : 0;
    p[0x42 + i] = static_cast<uint8_t>((i % 2 ? c >> 8 : c) ^ day[i % 4]);
  }
  jet::maskHeader(p.data());
  return p;
}

TEST(Header, MaskIsTheKnownRc4Stream) {
  const auto& mask = jet::headerMask();
  const Bytes start = {0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55};
  EXPECT_TRUE(std::equal(start.begin(), start.end(), mask.begin()));
  EXPECT_EQ(mask[126], 0x62);
  EXPECT_EQ(mask[127], 0xD4);
}

TEST(Header, DecodesTheMaskedFields) {
  const Bytes page = header(45000.75, u"hasło");
  const jet::Header h = jet::decodeHeader(page.data());
  EXPECT_EQ(h.codePage, 1250);
  EXPECT_EQ(h.sortOrder, 1045);
  EXPECT_EQ(h.created, 45000.75);
  EXPECT_EQ(h.password, u"hasło");
  EXPECT_EQ(jet::decodeHeader(header(45000.75, u"").data()).password, u"");
}

TEST(Header, ForeignFilesAreRefusedByName) {
  struct Case {
    const char* name;
    size_t offset;
    uint8_t flip;  // XORed into the stored byte
    const char* cause;
  };
  const std::vector<Case> cases = {
      {"Jet 3", 0x14, 0x01, "Jet 3"},
      {"later version", 0x14, 0x02, "unknown format version"},
      {"not a header page", 0x00, 0x01, "not a header page"},
      {"other signature", 0x04, 'X', "no Jet signature"},
      {"encrypted", 0x3E, 0x5A, "Encrypted"},
  };
  for (const Case& c : cases) {
    Bytes page = header(45000, u"");
    page[c.offset] ^= c.flip;
    try {
      jet::decodeHeader(page.data());
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.cause), std::string::npos) << e.what();
    }
  }
  Bytes ace = header(45000, u"");
  std::memcpy(&ace[4], "Standard ACE DB", 15);
  EXPECT_THROW(jet::decodeHeader(ace.data()), jet::Error);
}

}  // namespace
