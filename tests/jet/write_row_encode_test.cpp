// The row encoder against rows Access wrote, and its refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/row_decode.h"
#include "accessorydb/jet/row_encode.h"
#include "accessorydb/jet/usage_map.h"
#include "tests/jet/jet_test_support.h"

namespace {

using jet::ColumnType;

// Tables whose rows we can rebuild exactly: no deleted columns, no long values, and text
// columns that compress as Access does (compression flag set).
bool rebuildable(const jet::TableDef& def) {
  if (def.maxColumns != def.columns.size()) return false;
  for (const jet::ColumnDef& c : def.columns) {
    if (c.isLongValue() || c.is(ColumnType::Decimal)) return false;
    if (c.is(ColumnType::Text) && !c.fixed() && !(c.extraFlags & jet::kColumnCompressedUnicode)) {
      return false;
    }
  }
  return true;
}

// Jet sometimes leaves unused bytes between the variable data and its offset table; we write
// rows without them.
bool hasGap(jet::ByteView row) {
  const size_t maskBytes = (jet::u16le(row.data()) + 7u) / 8u;
  const size_t countAt = row.size() - maskBytes - 2;
  const size_t endOfDataAt = countAt - 2u * jet::u16le(row.data() + countAt) - 2;
  return jet::u16le(row.data() + endOfDataAt) != endOfDataAt;
}

TEST(WriteRowEncode, AccessRowsAreRebuiltByteForByte) {
  size_t rebuilt = 0;
  for (const std::string& name : jettest::fixtureNames()) {
    jet::Database db;
    jettest::openBytes(db, jettest::fixture(name));
    for (const jet::CatalogEntry& e : db.catalog()) {
      if (!e.isUserTable()) continue;
      const jet::TableDef& def = db.table(e.name);
      if (!rebuildable(def)) continue;
      for (uint32_t page : jet::readUsageMap(db.pages(), def.ownedPages)) {
        const jet::PageRef p = db.pages().read(page);
        if ((*p)[0] != jet::kPageData) continue;
        for (uint16_t r = 0; r < jet::rowCountOf(*p, page); ++r) {
          const jet::RowSlot slot = jet::rowSlot(*p, page, r);
          if (slot.offset & 0xC000) continue;  // deleted and moved rows (offset flags)
          std::vector<jet::Value> values;
          jet::decodeRow(db.pages(), def, slot.bytes, values);
          if (def.variableColumns > 0 && hasGap(slot.bytes)) continue;
          // Jet leaves stale bytes in the fixed area of null columns; we write zeros.
          std::vector<uint8_t> stored(slot.bytes.begin(), slot.bytes.end());
          for (size_t i = 0; i < def.columns.size(); ++i) {
            const jet::ColumnDef& c = def.columns[i];
            if (!c.fixed() || !jet::isNull(values[i])) continue;
            std::fill_n(stored.begin() + 2 + c.fixedOffset, jet::fixedSize(c), uint8_t{0});
          }
          EXPECT_EQ(jet::encodeRow(def, values), stored)
              << name << " " << text::toUtf8(e.name) << " page " << page << " row " << r;
          ++rebuilt;
        }
      }
    }
  }
  EXPECT_GT(rebuilt, 300u);
}

TEST(WriteRowEncode, TextIsCompressedOnlyWhereJetWouldRead) {
  struct Case {
    std::u16string text;
    std::vector<uint8_t> stored;
  };
  const std::vector<Case> cases = {
      {u"", {}},
      {u"ab", {'a', 0, 'b', 0}},  // compression would not save a byte
      {u"abc", {0xFF, 0xFE, 'a', 'b', 'c'}},
      {u"żab", {0x7C, 0x01, 'a', 0, 'b', 0}},                    // beyond U+00FF: plain UCS-2
      {std::u16string(u"a\u0000b", 3), {'a', 0, 0, 0, 'b', 0}},  // U+0000 would toggle the mode
      {u"\u00f3\u00ff\u0001", {0xFF, 0xFE, 0xF3, 0xFF, 0x01}},
  };
  for (const Case& c : cases) EXPECT_EQ(jet::encodeCompressibleText(c.text), c.stored);
  EXPECT_EQ(jet::encodeCompressibleText(std::u16string(1024, u'x')).size(), 1026u);
  EXPECT_EQ(jet::encodeCompressibleText(std::u16string(1025, u'x')).size(), 2050u);
}

// As in the sample files, only a column with the compression flag (extra flags bit 0x01) holds
// compressed text; in the others Jet stores every text plainly.
TEST(WriteRowEncode, TextFollowsItsColumnsCompressionFlag) {
  jet::TableDef def;
  def.name = u"t";
  def.maxColumns = def.variableColumns = 1;
  jet::ColumnDef text;
  text.name = u"Nazwa";
  text.type = static_cast<uint8_t>(ColumnType::Text);
  text.length = 100;
  def.columns = {text};
  // Column count, the value at 2, then end of data, the value's offset, the count, the null mask.
  const auto row = [](std::vector<uint8_t> value) {
    std::vector<uint8_t> r = {1, 0};
    r.insert(r.end(), value.begin(), value.end());
    const auto end = static_cast<uint8_t>(r.size());
    r.insert(r.end(), {end, 0, 2, 0, 1, 0, 0x01});
    return r;
  };
  const std::vector<jet::Value> values = {std::u16string(u"Nordeka")};
  EXPECT_EQ(jet::encodeRow(def, values),
            row({'N', 0, 'o', 0, 'r', 0, 'd', 0, 'e', 0, 'k', 0, 'a', 0}));
  def.columns[0].extraFlags = 0x01;
  EXPECT_EQ(jet::encodeRow(def, values), row({0xFF, 0xFE, 'N', 'o', 'r', 'd', 'e', 'k', 'a'}));
}

TEST(WriteRowEncode, ValuesTheColumnCannotHoldAreRefusedWithTheirColumn) {
  jet::ColumnDef longCol;
  longCol.name = u"ID";
  longCol.type = static_cast<uint8_t>(ColumnType::Long);
  jet::ColumnDef textCol;
  textCol.name = u"Kod";
  textCol.type = static_cast<uint8_t>(ColumnType::Text);
  textCol.length = 6;  // 3 characters
  jet::ColumnDef boolCol;
  boolCol.name = u"Wst";
  boolCol.type = static_cast<uint8_t>(ColumnType::Boolean);
  struct Case {
    const jet::ColumnDef* column;
    jet::Value value;
    const char* message;
  };
  const std::vector<Case> refused = {
      {&longCol, 2.5, "The value for column ID is not a whole number"},
      {&longCol, 2147483648.0, "The value 2147483648 is out of range for column ID"},
      {&longCol, std::u16string(u"5"), "column ID is not a whole number"},
      {&textCol, std::u16string(u"ABCD"), "column Kod is too long: 4 characters, at most 3"},
      {&textCol, int32_t{5}, "The value for column Kod is not text"},
      {&boolCol, int32_t{1}, "The value for column Wst is not a yes/no value"},
  };
  // Both forms refuse alike; the writer's (in place) leaves values it can store as they are.
  const auto coerceBoth = [](const jet::ColumnDef& column, const jet::Value& v) {
    jet::Value inPlace = v;
    jet::coerceInPlace(column, inPlace);
    EXPECT_EQ(inPlace, jet::coerceValue(column, v));
    return inPlace;
  };
  for (const Case& c : refused) {
    for (const bool inPlace : {false, true}) {
      try {
        jet::Value v = c.value;
        if (inPlace) {
          jet::coerceInPlace(*c.column, v);
        } else {
          jet::coerceValue(*c.column, v);
        }
        ADD_FAILURE() << c.message << ": accepted";
      } catch (const jet::Error& e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      }
    }
  }
  const std::vector<std::tuple<const jet::ColumnDef*, jet::Value, jet::Value>> accepted = {
      {&longCol, 7.0, int32_t{7}},
      {&longCol, int16_t{7}, int32_t{7}},
      {&longCol, int32_t{-7}, int32_t{-7}},
      {&longCol, jet::Null{}, jet::Null{}},
      {&boolCol, jet::Null{}, false},
      {&boolCol, true, true},
      {&textCol, std::u16string(u"ABC"), std::u16string(u"ABC")},
      {&textCol, jet::Null{}, jet::Null{}},
  };
  for (const auto& [column, value, stored] : accepted) {
    EXPECT_EQ(coerceBoth(*column, value), stored) << text::toUtf8(column->name);
  }
}

}  // namespace
