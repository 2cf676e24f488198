#include "accessorydb/jet/tdef.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/jet/jet_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::u16string columnName(int i) {
  return u"kolumna_" + text::num(1000 + i);
}

// The logical TDEF of a table of `columns` Long columns, numbered in reverse order of their
// descriptors (as Jet's system tables list theirs by name, not by number).
Bytes longColumnsTdef(int columns) {
  Bytes t(63, 0);
  t[0] = jet::kPageTdef;
  t[1] = 0x01;
  jet::putU32le(&t[12], jet::kTdefMagic);
  t[40] = 'N';
  jet::putU16le(&t[41], static_cast<uint16_t>(columns));
  jet::putU16le(&t[45], static_cast<uint16_t>(columns));
  for (int i = 0; i < columns; ++i) {
    Bytes d(25, 0);
    d[0] = static_cast<uint8_t>(jet::ColumnType::Long);
    jet::putU32le(&d[1], jet::kTdefMagic);
    const int number = columns - 1 - i;
    jet::putU16le(&d[5], static_cast<uint16_t>(number));
    d[15] = jet::kColumnFixed | jet::kColumnUpdatable;
    jet::putU16le(&d[21], static_cast<uint16_t>(4 * number));
    jet::putU16le(&d[23], 4);
    t.insert(t.end(), d.begin(), d.end());
  }
  for (int i = 0; i < columns; ++i) {
    const std::u16string name = columnName(columns - 1 - i);
    t.push_back(static_cast<uint8_t>(2 * name.size()));
    t.push_back(0);
    for (char16_t c : name) {
      t.push_back(static_cast<uint8_t>(c));
      t.push_back(static_cast<uint8_t>(c >> 8));
    }
  }
  t.push_back(0xFF);
  t.push_back(0xFF);
  jet::putU32le(&t[8], static_cast<uint32_t>(t.size()));
  return t;
}

// Page 0 a stand-in; the TDEF from page 1 on, continued on the pages given.
jet::PageFile tdefFile(const Bytes& tdef, const std::vector<uint32_t>& continuations) {
  const uint32_t last = std::max<uint32_t>(
      1, continuations.empty() ? 1 : *std::max_element(continuations.begin(), continuations.end()));
  Bytes file(jet::kPageSize * (last + 1), 0);
  std::copy_n(tdef.begin(), std::min<size_t>(tdef.size(), jet::kPageSize),
              file.begin() + jet::kPageSize);
  size_t done = jet::kPageSize;
  uint32_t page = 1;
  for (uint32_t next : continuations) {
    jet::putU32le(&file[page * jet::kPageSize + 4], next);
    uint8_t* p = &file[next * jet::kPageSize];
    p[0] = jet::kPageTdef;
    p[1] = 0x01;
    const size_t n =
        std::min<size_t>(tdef.size() - std::min(done, tdef.size()), jet::kPageSize - 8);
    std::copy_n(tdef.begin() + done, n, p + 8);
    done += n;
    page = next;
  }
  return jet::PageFile(std::make_unique<jettest::MemoryFile>(file), false);
}

TEST(TableDefinition, SpreadOverSeveralPages) {
  const Bytes tdef = longColumnsTdef(200);  // about 9 KB: three pages
  ASSERT_GT(tdef.size(), 2 * jet::kPageSize);
  auto pages = tdefFile(tdef, {3, 2});
  const jet::TableDef t = jet::readTableDef(pages, 1);
  EXPECT_EQ(t.pages, (std::vector<uint32_t>{1, 3, 2}));
  ASSERT_EQ(t.columns.size(), 200u);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(t.columns[i].number, i);  // sorted by number: table order
    EXPECT_EQ(t.columns[i].name, columnName(i));
    EXPECT_EQ(t.columns[i].fixedOffset, 4 * i);
  }
}

TEST(TableDefinition, BrokenChainsAreReported) {
  const Bytes tdef = longColumnsTdef(200);
  struct Case {
    const char* name;
    std::vector<uint32_t> chain;
    const char* cause;
  };
  const std::vector<Case> cases = {
      {"chain ends early", {3}, "ends before"},
      {"chain loops", {3, 3}, "loops"},
  };
  for (const Case& c : cases) {
    auto pages = tdefFile(tdef, c.chain);
    try {
      jet::readTableDef(pages, 1);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.cause), std::string::npos)
          << c.name << ": " << e.what();
    }
  }
}

}  // namespace
