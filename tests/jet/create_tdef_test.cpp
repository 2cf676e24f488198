// The TDEF encoder against every table definition Jet and Access wrote in the fixtures: each
// definition, read by the reading layer and encoded again, gives back Jet's bytes apart from the
// fields Jet leaves stale or that carry nothing the engine keeps.
#include <gtest/gtest.h>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/tdef_encode.h"
#include "tests/jet/jet_test_support.h"

namespace {

constexpr size_t kHeader = 63;
constexpr size_t kColumn = 25;
constexpr size_t kRealIndex = 52;
constexpr size_t kLogicalIndex = 28;

// How the stored definition lists its columns: by number (user tables) or by name.
jet::ColumnOrder storedOrder(const std::vector<uint8_t>& t) {
  const uint32_t real = jet::u32le(&t[51]);
  const uint16_t columns = jet::u16le(&t[45]);
  const size_t first = kHeader + 12 * real;
  for (uint16_t i = 1; i < columns; ++i) {
    const size_t at = first + kColumn * i;
    if (jet::u16le(&t[at + 5]) < jet::u16le(&t[at - kColumn + 5])) return jet::ColumnOrder::ByName;
  }
  return jet::ColumnOrder::ByNumber;
}

// Zeroes in a logical TDEF what the encoder does not reproduce: the free-space and next-page
// words (per page), the unknown header bytes 25..39, the first and third statistics words, each
// column's unknown word at +9 and the fixed offset of variable columns, the order byte of unused
// index-column slots and the word at +42 of real indexes, and a foreign key's related-table type
// and cascade bytes.
std::vector<uint8_t> normalized(std::vector<uint8_t> t) {
  std::fill(t.begin() + 2, t.begin() + 8, 0);
  std::fill(t.begin() + 25, t.begin() + 40, 0);
  const uint16_t columns = jet::u16le(&t[45]);
  const uint32_t logical = jet::u32le(&t[47]);
  const uint32_t real = jet::u32le(&t[51]);
  size_t at = kHeader;
  for (uint32_t i = 0; i < real; ++i, at += 12) {
    std::fill(&t[at], &t[at + 4], 0);
    std::fill(&t[at + 8], &t[at + 12], 0);
  }
  for (uint16_t i = 0; i < columns; ++i, at += kColumn) {
    t[at + 9] = t[at + 10] = 0;
    if ((t[at + 15] & jet::kColumnFixed) == 0) t[at + 21] = t[at + 22] = 0;
  }
  for (uint16_t i = 0; i < columns; ++i) at += 2 + jet::u16le(&t[at]);
  for (uint32_t i = 0; i < real; ++i, at += kRealIndex) {
    for (size_t slot = 0; slot < 10; ++slot) {
      if (jet::u16le(&t[at + 4 + 3 * slot]) == 0xFFFF) t[at + 6 + 3 * slot] = 0;
    }
    std::fill(&t[at + 42], &t[at + 46], 0);
  }
  for (uint32_t i = 0; i < logical; ++i, at += kLogicalIndex) {
    if (t[at + 23] == jet::kIndexTypeForeignKey) t[at + 12] = t[at + 21] = t[at + 22] = 0;
  }
  return t;
}

// The logical TDEF as stored, continuation pages joined without their headers.
std::vector<uint8_t> storedTdef(jet::PageFile& pages, const jet::TableDef& def) {
  std::vector<uint32_t> chain;
  return jet::readTdefBytes(pages, def.page(), chain);
}

TEST(CreateTdef, ReencodesEveryFixtureDefinition) {
  size_t checked = 0;
  for (const std::string& name : jettest::fixtureNames()) {
    jet::Database db;
    jettest::openBytes(db, jettest::fixture(name));
    for (const jet::CatalogEntry& entry : db.catalog()) {
      if (!entry.isTable()) continue;
      SCOPED_TRACE(name + " " + text::toUtf8(entry.name));
      const jet::TableDef& def = db.table(entry.name);
      const std::vector<uint8_t> stored = storedTdef(db.pages(), def);
      jet::IndexKeyCounts counts;
      for (size_t i = 0; i < def.realIndexes.size(); ++i) {
        counts.push_back(jet::u32le(&stored[kHeader + 12 * i + 4]));
      }
      const std::vector<uint8_t> ours = jet::encodeTdef(def, counts, storedOrder(stored));
      const std::vector<uint8_t> want = normalized(stored);
      const std::vector<uint8_t> got = normalized(ours);
      ASSERT_EQ(got.size(), want.size());
      const auto diff = std::mismatch(got.begin(), got.end(), want.begin());
      if (diff.first != got.end()) {
        const size_t off = diff.first - got.begin();
        std::string ctx;
        char buf[8];
        for (size_t k = off - std::min<size_t>(off, 6); k < std::min(got.size(), off + 8); ++k) {
          snprintf(buf, sizeof buf, " %02x/%02x", got[k], want[k]);
          ctx += buf;
        }
        ADD_FAILURE() << "differs at offset " << off << "; ours/stored from offset "
                      << off - std::min<size_t>(off, 6) << ":" << ctx;
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 100u);
}

}  // namespace
