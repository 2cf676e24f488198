#include "accessorydb/jet/row_decode.h"

#include <gtest/gtest.h>

#include "tests/jet/jet_test_support.h"

namespace {

using jet::ColumnDef;
using jet::ColumnType;
using jet::Value;

ColumnDef column(const char16_t* name, ColumnType type, uint16_t number, bool fixed,
                 uint16_t offsetOrVarIndex, uint16_t length) {
  ColumnDef c;
  c.name = name;
  c.type = static_cast<uint8_t>(type);
  c.number = number;
  c.flags = static_cast<uint8_t>(jet::kColumnUpdatable | (fixed ? jet::kColumnFixed : 0));
  (fixed ? c.fixedOffset : c.varIndex) = offsetOrVarIndex;
  c.length = length;
  return c;
}

// ID Long (fixed at 0), Flag Boolean, A Text (variable 0), B Text (variable 1).
jet::TableDef sampleTable() {
  jet::TableDef t;
  t.name = u"Sample";
  t.pages = {1};
  t.maxColumns = 4;
  t.variableColumns = 2;
  t.columns = {column(u"ID", ColumnType::Long, 0, true, 0, 4),
               column(u"Flag", ColumnType::Boolean, 1, true, 0, 1),
               column(u"A", ColumnType::Text, 2, false, 0, 20),
               column(u"B", ColumnType::Text, 3, false, 1, 20)};
  return t;
}

// A Jet 4 row: count, fixed area, variable values, end offset, offsets reversed, count, mask.
std::vector<uint8_t> row(uint16_t columns, std::vector<uint8_t> fixed,
                         const std::vector<std::vector<uint8_t>>& vars, std::vector<uint8_t> mask,
                         bool withVarTable = true) {
  std::vector<uint8_t> r = {static_cast<uint8_t>(columns), static_cast<uint8_t>(columns >> 8)};
  r.insert(r.end(), fixed.begin(), fixed.end());
  std::vector<uint16_t> offsets;
  for (const auto& v : vars) {
    offsets.push_back(static_cast<uint16_t>(r.size()));
    r.insert(r.end(), v.begin(), v.end());
  }
  auto put16 = [&r](size_t v) {
    r.push_back(static_cast<uint8_t>(v));
    r.push_back(static_cast<uint8_t>(v >> 8));
  };
  if (withVarTable) {
    put16(r.size());  // end of variable data
    for (size_t i = offsets.size(); i-- > 0;) put16(offsets[i]);
    put16(vars.size());
  }
  r.insert(r.end(), mask.begin(), mask.end());
  return r;
}

const std::vector<uint8_t> kId42 = {0x2A, 0, 0, 0};
const std::vector<uint8_t> kHi = {'h', 0, 'i', 0};

jet::PageFile emptyPages() {
  return jet::PageFile(std::make_unique<jettest::MemoryFile>(std::vector<uint8_t>(4096)), false);
}

struct MaskCase {
  uint8_t mask;
  std::vector<Value> expected;
};

TEST(DecodeRow, NullMaskDecidesNullsAndBooleans) {
  const std::vector<MaskCase> cases = {
      {0x0F, {int32_t{42}, true, u"hi", u""}},
      {0x0D, {int32_t{42}, false, u"hi", u""}},         // Boolean bit clear: No
      {0x07, {int32_t{42}, true, u"hi", jet::Null{}}},  // zero-length slot, bit clear: null
      {0x0A, {jet::Null{}, true, jet::Null{}, u""}},    // bit set, zero length: empty text
  };
  auto pages = emptyPages();
  const jet::TableDef t = sampleTable();
  for (const MaskCase& c : cases) {
    std::vector<Value> values;
    jet::decodeRow(pages, t, row(4, kId42, {kHi, {}}, {c.mask}), values);
    EXPECT_EQ(values, c.expected) << "mask " << int(c.mask);
  }
}

TEST(DecodeRow, RowsWrittenBeforeColumnsWereAddedReadThemAsNull) {
  auto pages = emptyPages();
  const jet::TableDef t = sampleTable();
  std::vector<Value> values;
  // Three columns and one variable entry: B did not exist yet.
  jet::decodeRow(pages, t, row(3, kId42, {kHi}, {0x07}), values);
  EXPECT_EQ(values, (std::vector<Value>{int32_t{42}, true, u"hi", jet::Null{}}));
}

TEST(DecodeRow, DeletedColumnKeepsItsMaskBitAndFixedBytes) {
  jet::TableDef t;
  t.pages = {1};
  t.maxColumns = 3;  // column 1 was deleted
  t.variableColumns = 1;
  t.columns = {column(u"Kept", ColumnType::Integer, 0, true, 4, 2),
               column(u"Name", ColumnType::Text, 2, false, 0, 20)};
  auto pages = emptyPages();
  std::vector<Value> values;
  // Four stale bytes of the deleted column first, then Kept = 7.
  jet::decodeRow(pages, t, row(3, {9, 9, 9, 9, 7, 0}, {kHi}, {0x05}), values);
  EXPECT_EQ(values, (std::vector<Value>{int16_t{7}, u"hi"}));
}

TEST(DecodeRow, VariableOffsetsSelectEachValue) {
  auto pages = emptyPages();
  const jet::TableDef t = sampleTable();
  std::vector<Value> values;
  jet::decodeRow(pages, t, row(4, kId42, {{'x', 0}, {'y', 0, 'z', 0}}, {0x0F}), values);
  EXPECT_EQ(values[2], Value(u"x"));
  EXPECT_EQ(values[3], Value(u"yz"));
}

TEST(DecodeRow, DamagedRowsThrow) {
  auto pages = emptyPages();
  const jet::TableDef t = sampleTable();
  std::vector<uint8_t> good = row(4, kId42, {kHi, {}}, {0x0F});
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"one byte", {0x04}});
  cases.push_back({"mask longer than the row", {0xFF, 0x00, 0x00}});
  auto hugeVarCount = good;
  hugeVarCount[hugeVarCount.size() - 2] = 0x7F;  // variable count high byte
  cases.push_back({"variable count beyond the row", hugeVarCount});
  auto offsetPastEnd = good;
  offsetPastEnd[good.size() - 9] = 0x40;  // end of variable data lies in the offset table
  cases.push_back({"variable offset past the data", offsetPastEnd});
  auto swapped = row(4, kId42, {kHi, {}}, {0x0F});
  swapped[swapped.size() - 5] = 0x0A;  // A starts after it ends
  swapped[swapped.size() - 7] = 0x06;
  cases.push_back({"variable value ends before it starts", swapped});
  cases.push_back({"fixed value beyond the fixed area", row(4, {0x2A}, {}, {0x01}, true)});
  for (const Case& c : cases) {
    std::vector<Value> values;
    EXPECT_THROW(jet::decodeRow(pages, t, c.bytes, values), jet::Error) << c.name;
  }
}

struct FixedCase {
  ColumnType type;
  std::vector<uint8_t> bytes;
  Value expected;
};

TEST(DecodeValue, FixedTypes) {
  jet::Decimal minusOneAndAHalf;
  minusOneAndAHalf.negative = true;
  minusOneAndAHalf.magnitude = {15, 0, 0};
  minusOneAndAHalf.precision = 18;
  minusOneAndAHalf.scale = 1;
  const std::vector<FixedCase> cases = {
      {ColumnType::Byte, {0xFF}, uint8_t{255}},
      {ColumnType::Integer, {0xFE, 0xFF}, int16_t{-2}},
      {ColumnType::Long, {0x00, 0x00, 0x00, 0x80}, int32_t{INT32_MIN}},
      {ColumnType::Currency, {0x30, 0x75, 0, 0, 0, 0, 0, 0}, jet::Currency{30000}},
      {ColumnType::Single, {0x00, 0x00, 0xC0, 0x3F}, 1.5f},
      {ColumnType::Double, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, 1.5},
      {ColumnType::DateTime, {0, 0, 0, 0, 0x40, 0xA7, 0xDA, 0x40}, jet::DateTime{27293}},
      // Sign byte, then the 128-bit magnitude as four words, the most significant first.
      {ColumnType::Decimal,
       {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 15, 0, 0, 0},
       minusOneAndAHalf},
  };
  auto pages = emptyPages();
  for (const FixedCase& c : cases) {
    ColumnDef col = column(u"c", c.type, 0, true, 0, 0);
    col.precision = 18;
    col.scale = 1;
    EXPECT_EQ(jet::decodeValue(pages, col, c.bytes), c.expected) << int(c.type);
    if (!c.bytes.empty()) {
      const std::vector<uint8_t> shorter(c.bytes.begin(), c.bytes.end() - 1);
      EXPECT_THROW(jet::decodeValue(pages, col, shorter), jet::Error) << int(c.type);
    }
  }
}

}  // namespace
