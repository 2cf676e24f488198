// Reading the real Access-made files: facts known from mdbtools and the files' own documentation.
#include <gtest/gtest.h>

#include "accessorydb/jet/usage_map.h"
#include "tests/jet/jet_test_support.h"

namespace {

using jet::Value;

std::vector<std::vector<Value>> allRows(jet::Database& db, const std::u16string& table) {
  std::vector<std::vector<Value>> rows;
  jet::TableScanner scan = db.scan(db.table(table));
  while (scan.next()) rows.push_back(scan.values());
  return rows;
}

jet::Database& open(jet::Database& db, const std::string& fixture) {
  jettest::openBytes(db, jettest::fixture(fixture));
  return db;
}

TEST(FixtureRead, EveryFixtureReadsInFull) {
  for (const std::string& name : jettest::fixtureNames()) {
    EXPECT_NO_THROW(jettest::readEverything(jettest::fixture(name))) << name;
  }
}

TEST(FixtureRead, HeaderOfAnAdoxFile) {
  jet::Database db;
  const jet::Header& h = open(db, "empty_adox.mdb").header();
  EXPECT_EQ(h.codePage, 1252);
  EXPECT_EQ(h.sortOrder, 1033);
  EXPECT_EQ(h.password, u"");
  EXPECT_EQ(static_cast<int>(h.created), 42329);  // 2015-11-21
}

TEST(FixtureRead, CatalogOfAnEmptyDatabaseHasOnlySystemTables) {
  jet::Database db;
  open(db, "empty_adox.mdb");
  EXPECT_TRUE(db.tableNames().empty());
  std::vector<std::u16string> tables;
  for (const jet::CatalogEntry& e : db.catalog()) {
    if (e.isTable()) tables.push_back(e.name);
  }
  EXPECT_EQ(tables, (std::vector<std::u16string>{u"MSysObjects", u"MSysACEs", u"MSysQueries",
                                                 u"MSysRelationships"}));
  // MSysObjects lists its columns alphabetically in the TDEF; table order is by number.
  const jet::TableDef& objects = db.table(u"msysobjects");
  ASSERT_EQ(objects.columns.size(), 17u);
  EXPECT_EQ(objects.columns[0].name, u"Id");
  EXPECT_EQ(objects.columns[2].name, u"Name");
  EXPECT_EQ(objects.columns[16].name, u"LvExtra");
  EXPECT_EQ(allRows(db, u"MSysACEs").size(), 16u);
}

TEST(FixtureRead, BasicTypes) {
  jet::Database db;
  const auto rows = allRows(open(db, "basic_types.mdb"), u"Table1");
  ASSERT_EQ(rows.size(), 2u);
  const std::vector<Value> first = {u"abcdefg",           u"hijklmnop",         uint8_t{2},
                                    int16_t{222},         int32_t{333333333},   444.555,
                                    jet::DateTime{27293}, jet::Currency{35000}, true};
  EXPECT_EQ(rows[0], first);
  EXPECT_EQ(rows[1][0], Value(u"a"));
  EXPECT_EQ(rows[1][8], Value(false));
}

TEST(FixtureRead, DeletedRowsAreSkipped) {
  jet::Database db;
  const auto rows = allRows(open(db, "deleted_row.mdb"), u"Table");
  EXPECT_EQ(rows, (std::vector<std::vector<Value>>{{u"z", u"y"}, {u"v", u"u"}}));
}

TEST(FixtureRead, OverflowRowsAreReadOnceThroughTheirPointer) {
  jet::Database db;
  open(db, "overflow_rows.mdb");
  std::vector<Value> data3;
  for (const auto& row : allRows(db, u"Table1")) data3.push_back(row[1]);
  // Rows 3 and 5 were moved to other pages; they are read where their pointers stand.
  EXPECT_EQ(data3, (std::vector<Value>{jet::Null{}, u"row2col3", u"row3col3", u"row4col2",
                                       u"row5col2", u"row6col2", jet::Null{}}));
}

// A scan's positions bring back their rows (moved rows, deleted slots and several pages among
// them), and the scan goes on from there in table order; a position where the table has no row
// is refused.
TEST(FixtureRead, SeekingAPositionResumesTheScanThere) {
  for (const auto& [file, table] :
       {std::pair{"overflow_rows.mdb", u"Table1"}, std::pair{"deleted_row.mdb", u"Table"},
        std::pair{"rows512_multipage.mdb", u"Table1"}}) {
    jet::Database db;
    open(db, file);
    const jet::TableDef& def = db.table(table);
    std::vector<jet::RowPointer> positions;
    std::vector<std::vector<Value>> rows;
    for (jet::TableScanner scan = db.scan(def); scan.next();) {
      positions.push_back(scan.position());
      rows.push_back(scan.values());
    }
    jet::TableScanner again = db.scan(def);
    for (size_t i = positions.size(); i-- > 0;) {
      again.seek(positions[i]);
      EXPECT_EQ(again.values(), rows[i]) << file << " row " << i;
      if (i + 1 < rows.size()) {
        ASSERT_TRUE(again.next());
        EXPECT_EQ(again.values(), rows[i + 1]) << file << " after row " << i;
      }
    }
    const jet::RowPointer last = positions.back();
    EXPECT_THROW(again.seek({last.page, static_cast<uint8_t>(last.row + 1)}), jet::Error) << file;
    EXPECT_THROW(again.seek({0, 0}), jet::Error) << file;
  }
}

TEST(FixtureRead, RowCountComesFromThePagesNotTheTdef) {
  jet::Database db;
  open(db, "index_codes_text.mdb");
  EXPECT_EQ(db.table(u"Table1").rowCount, 274u);
  EXPECT_EQ(allRows(db, u"Table1").size(), 275u);
  EXPECT_EQ(allRows(db, u"Table12").size(), 10u);
}

TEST(FixtureRead, ManyRowsOverSeveralPages) {
  jet::Database db;
  open(db, "rows512_multipage.mdb");
  const jet::TableDef& t = db.table(u"Table1");
  EXPECT_EQ(jet::readUsageMap(db.pages(), t.ownedPages).size(), 4u);
  EXPECT_EQ(allRows(db, u"Table1").size(), 512u);
}

TEST(FixtureRead, LongValuesOfEveryForm) {
  jet::Database db;
  open(db, "memo_ole_bool.mdb");
  jet::TableScanner scan = db.scan(db.table(u"MSP_PROJECTS"));
  ASSERT_TRUE(scan.next());
  // Memo on one LVAL row, OLE on a chain of LVAL rows.
  EXPECT_EQ(std::get<std::u16string>(scan.value(u"PROJ_PROP_AUTHOR")).size(), 348u);
  EXPECT_EQ(std::get<jet::Bytes>(scan.value(u"RESERVED_BINARY_DATA")).size(), 22970u);
  EXPECT_EQ(scan.value(u"PROJ_OPT_CURRENCY_SYMBOL"), Value(u"\u00A3"));

  jet::Database inlineMemo;
  const auto rows = allRows(open(inlineMemo, "numeric_inline_memo.mdb"), u"test");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], Value(u"some data"));
  const std::vector<int> expected = {1, 0, 0, 4, -1, 1};
  for (size_t i = 0; i < expected.size(); ++i) {
    const auto& d = std::get<jet::Decimal>(rows[0][i + 1]);
    EXPECT_EQ(d.negative, expected[i] < 0) << i;
    EXPECT_EQ(d.magnitude[0], static_cast<uint32_t>(std::abs(expected[i]))) << i;
    EXPECT_EQ(d.precision, 18) << i;
  }
}

TEST(FixtureRead, UnicodeTextCompressedAndPlain) {
  jet::Database db;
  const auto rows = allRows(open(db, "unicode_text.mdb"), u"Table");
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[1][1], Value(u"\u00E4\u00E4kk\u00F6si\u00E4"));  // compressed
  EXPECT_EQ(rows[2][1], Value(u"\u041C\u0438\u0440"));            // plain UCS-2
}

TEST(FixtureRead, TextKeepsU0000) {
  jet::Database db;
  const auto rows = allRows(open(db, "index_codes_text.mdb"), u"Table1");
  const std::u16string withNul(u"AA\0AA", 5);
  bool found = false;
  for (const auto& r : rows) found = found || r[1] == Value(withNul);
  EXPECT_TRUE(found);
}

TEST(FixtureRead, IndexDefinitions) {
  jet::Database db;
  open(db, "text_indexes.mdb");
  const jet::TableDef& t = db.table(u"users");
  ASSERT_EQ(t.indexes.size(), 6u);
  int primaryKeys = 0;
  for (const jet::LogicalIndex& l : t.indexes) {
    const jet::RealIndex& r = t.realIndexes.at(l.realIndex);
    ASSERT_EQ(r.columns.size(), 1u) << text::toUtf8(l.name);
    if (l.primaryKey()) {
      ++primaryKeys;
      EXPECT_EQ(t.columnByNumber(r.columns[0].columnNumber)->name, u"i_user_id");
      EXPECT_TRUE(r.unique());
    }
  }
  EXPECT_EQ(primaryKeys, 1);
}

}  // namespace
