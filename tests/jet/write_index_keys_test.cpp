// Index keys and index pages against the Access-made sample files: every index entry whose
// columns we can key is rebuilt from its row and must equal the stored bytes.
#include <gtest/gtest.h>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"
#include "accessorydb/jet/row_decode.h"
#include "accessorydb/jet/table_check.h"
#include "tests/jet/jet_test_support.h"
#include "tests/jet/write_support.h"

namespace {

// Index pages as the sample files hold them: the prefix length at 24, entries from 0x1E0, each
// leaf entry ending in a 4-byte row id.
constexpr size_t kPrefixLength = 24;
constexpr size_t kEntriesStart = 0x1E0;
constexpr size_t kRowId = 4;

struct KeyCount {
  size_t checked = 0;
  size_t skipped = 0;  // columns of types or characters we do not key
};

// Rebuilds every entry of every index of every table of one file.
KeyCount checkKeysOf(const std::string& fixture) {
  KeyCount count;
  jet::Database db;
  jettest::openBytes(db, jettest::fixture(fixture));
  for (const jet::CatalogEntry& e : db.catalog()) {
    if (!e.isTable()) continue;
    const jet::TableDef& def = db.table(e.name);
    for (const jet::RealIndex& real : def.realIndexes) {
      const jet::IndexWalk w = jet::walkIndex(db.pages(), real.firstPage, def.page());
      for (const jet::IndexEntry& entry : w.leafEntries) {
        jet::RowRef row = jet::readRow(db.pages(), jet::leafEntryRow(entry), "a row");
        if (row.slot.overflowPointer()) {  // the entry names the pointer; the row moved
          const auto moved = jet::RowPointer::decode(jet::u32le(row.slot.bytes.data()));
          row = jet::readRow(db.pages(), moved, "a moved row");
        }
        std::vector<jet::Value> values;
        jet::decodeRow(db.pages(), def, row.slot.bytes, values);
        jet::KeyBytes key;
        try {
          key = jet::indexKey(def, real, values);
        } catch (const jet::Error&) {
          ++count.skipped;
          continue;
        }
        EXPECT_EQ(key, jet::KeyBytes(entry.begin(), entry.end() - kRowId))
            << fixture << " table " << text::toUtf8(e.name) << " row at page "
            << jet::leafEntryRow(entry).page;
        ++count.checked;
      }
    }
  }
  return count;
}

TEST(WriteIndexKeys, EveryKeyableEntryOfTheSampleFilesIsRebuiltExactly) {
  size_t checked = 0;
  for (const std::string& name : jettest::fixtureNames()) {
    const KeyCount c = checkKeysOf(name);
    checked += c.checked;
  }
  // Long, Integer, Byte, Boolean and Text keys (Latin-1 text with accents, apostrophes, hyphens
  // and control characters, ascending and descending) of all sample files.
  EXPECT_GT(checked, 3500u);
}

TEST(WriteIndexKeys, TextBeyondLatin1IsRefusedNotMiskeyed) {
  jet::KeyBytes key;
  EXPECT_THROW(jet::appendTextKey(key, u"Zażółć", true), jet::Error);
  EXPECT_FALSE(jet::textKeyEncodable(u"ł"));
  EXPECT_TRUE(jet::textKeyEncodable(u"Dodatki_2 'x-y' ó"));
}

// Every index page of the sample files, decoded and encoded again, keeps its entries; where Jet
// stored them without a shared prefix, the page is Jet's byte for byte up to its last entry:
// head, neighbours, the node flag at 0x1A (1 on nodes, 0 on leaves), bitmap and entries.
TEST(WriteIndexKeys, SampleIndexPagesDecodeAndEncodeToTheSameBytes) {
  size_t leaves = 0;
  size_t nodes = 0;
  for (const std::string& name : jettest::fixtureNames()) {
    jet::Database db;
    jettest::openBytes(db, jettest::fixture(name));
    for (uint32_t p = 0; p < db.pages().pageCount(); ++p) {
      const jet::Page& bytes = *db.pages().read(p);
      const bool leaf = bytes[0] == 0x04;
      if ((!leaf && bytes[0] != 0x03) || bytes[1] != 0x01) continue;
      const jet::IndexPage page = jet::decodeIndexPage(bytes, p);
      if (!page.fits()) continue;  // prefix-compressed entries that need more room in full
      const jet::Page again = jet::encodeIndexPage(page);
      EXPECT_EQ(jet::decodeIndexPage(again, p).entries, page.entries) << name << " page " << p;
      if (jet::u16le(&bytes[kPrefixLength]) != 0) continue;
      const size_t end = kEntriesStart + page.entryBytes();
      const auto diff = std::mismatch(bytes.begin(), bytes.begin() + end, again.begin());
      EXPECT_EQ(diff.first, bytes.begin() + end)
          << name << " page " << p << " differs at byte " << (diff.first - bytes.begin());
      ++(leaf ? leaves : nodes);
    }
  }
  EXPECT_GT(leaves, 100u);
  EXPECT_EQ(nodes, 8u);  // every node page of the sample files
}

}  // namespace
