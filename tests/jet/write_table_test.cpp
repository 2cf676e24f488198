// The table writer on copies of Access-made files and on new accessory databases: rows go in,
// every page, map and index stays exact (checkTable), and refused rows change no page.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/index_tree.h"
#include "accessorydb/jet/table_check.h"
#include "accessorydb/jet/table_writer.h"
#include "tests/jet/jet_test_support.h"
#include "tests/jet/write_support.h"

namespace {

using jet::Null;
using jet::Value;
using Row = std::vector<Value>;
using jettest::dodatek;

jettest::SharedBytes fixtureBytes(const std::string& name) {
  return std::make_shared<std::vector<uint8_t>>(jettest::fixture(name));
}

std::vector<Row> allRows(jet::Database& db, const std::u16string& table) {
  db.refresh();
  std::vector<Row> rows;
  jet::TableScanner scan = db.scan(db.table(table));
  while (scan.next()) rows.push_back(scan.values());
  return rows;
}

// What the check finds in the table: nothing but what it found before the writes.
void expectSound(jet::Database& db, const std::u16string& table,
                 const std::vector<std::string>& before = {}) {
  for (const std::string& p : jet::checkTable(db, table).all()) {
    if (std::find(before.begin(), before.end(), p) == before.end()) ADD_FAILURE() << p;
  }
}

// Distinct ids from `first`, in a shuffled order when asked.
std::vector<int32_t> ids(int32_t first, size_t n, bool shuffled) {
  std::vector<int32_t> out(n);
  std::iota(out.begin(), out.end(), first);
  if (shuffled) std::shuffle(out.begin(), out.end(), std::mt19937(7));
  return out;
}

struct GrowCase {
  const char* fixture;
  const char16_t* table;
  size_t rows;
  bool shuffled;
  int minDepth;  // levels below the primary key's root afterwards
};

class WriteTableGrow : public ::testing::TestWithParam<GrowCase> {};

// Rows with new keys into tables of Access-made files: the indexes grow (leaves split, the
// root becomes a node, nodes split) and every page stays as Jet keeps it.
TEST_P(WriteTableGrow, RowsGoInAndTheTableStaysSound) {
  const GrowCase& c = GetParam();
  auto bytes = fixtureBytes(c.fixture);
  jet::Database db;
  jettest::openShared(db, bytes);
  const size_t before = allRows(db, c.table).size();
  // unicode_text.mdb's row of every Latin-1 character keys ß otherwise than Access does in the
  // field files (write_index_keys_test.cpp): the check finds that entry before and after.
  const std::vector<std::string> found = jet::checkTable(db, c.table).all();
  const jet::TableDef def = db.table(c.table);
  jet::TableWriter writer(db.pages(), def);
  for (int32_t id : ids(100000, c.rows, c.shuffled)) {
    Row r(def.columns.size(), Null{});
    for (size_t i = 0; i < def.columns.size(); ++i) {
      const jet::ColumnDef& col = def.columns[i];
      if (col.is(jet::ColumnType::Long)) r[i] = id;
      if (col.is(jet::ColumnType::Text)) {
        std::u16string s = u"Wiersz \u00f3 " + text::num(id) + u" " + std::u16string(40, u'x');
        r[i] = s.substr(0, std::min<size_t>(s.size(), col.length / 2));
      }
      if (col.is(jet::ColumnType::DateTime)) r[i] = jet::DateTime{40000.5 + id % 1000};
    }
    writer.insert(r);
  }
  expectSound(db, c.table, found);
  EXPECT_EQ(allRows(db, c.table).size(), before + c.rows);
  const jet::IndexWalk w =
      jet::walkIndex(db.pages(), db.table(c.table).realIndexes.at(0).firstPage, def.page());
  EXPECT_GE(w.depth, c.minDepth);
  // A fresh reader sees the same file whole once it is committed.
  db.commit();
  EXPECT_NO_THROW(jettest::readEverything(*bytes));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WriteTableGrow,
                         ::testing::Values(GrowCase{"pk_fk_int.mdb", u"Table2", 3000, false, 1},
                                           GrowCase{"pk_fk_int.mdb", u"Table3", 3000, true, 1},
                                           GrowCase{"rows512_multipage.mdb", u"Table1", 2000, true,
                                                    1},
                                           GrowCase{"text_indexes.mdb", u"users", 1500, true, 1},
                                           GrowCase{"unicode_text.mdb", u"Table", 500, false, 1}));

// Keys repeat in an index that allows it: each new entry goes in by key, then row. An insert
// follows the check of its key as the writer's do, and the check's path is reused only where
// the entry sorts the same (rows rising; rows falling among equal keys need another walk).
TEST(WriteTable, RepeatedKeysKeepKeyThenRowOrder) {
  auto bytes = jettest::accessoryDatabase();
  jet::Database db;
  jettest::openShared(db, bytes);
  const jet::TableDef def = db.table(u"Dodatki");
  jet::RealIndex repeatable = def.realIndexes.at(0);
  repeatable.flags = 0;  // neither unique nor required
  jet::PageAllocator allocator(db.pages());
  jet::IndexTree tree(db.pages(), allocator, def.page(), repeatable);
  // An entry above all others, stored at once: the index is no longer empty, so the entries
  // below are walked into the tree rather than gathered.
  const jet::KeyBytes top = {0x7F, 0xFF};
  tree.insert(top, jet::RowPointer{99, 0});
  tree.storeGathered();
  std::vector<jet::IndexEntry> inserted{jet::leafEntry(top, jet::RowPointer{99, 0})};
  for (uint32_t round = 0; round < 60; ++round) {
    for (uint8_t k = 0; k < 100; ++k) {
      const jet::KeyBytes key = {0x7F, static_cast<uint8_t>(k % 50), 0x01};
      // Even keys get rising rows, odd keys falling ones.
      const uint32_t page = k % 2 == 0 ? 100 + round : 1000 - round;
      const jet::RowPointer row{page, k};
      EXPECT_EQ(tree.checkInsert(key), round > 0 || k >= 50) << "round " << round << " key " << +k;
      tree.insert(key, row);
      inserted.push_back(jet::leafEntry(key, row));
    }
  }
  const jet::IndexWalk walk = jet::walkIndex(db.pages(), repeatable.firstPage, def.page());
  EXPECT_TRUE(walk.findings.all().empty());
  EXPECT_GE(walk.depth, 1) << "the leaves split";
  std::sort(inserted.begin(), inserted.end());
  EXPECT_EQ(walk.leafEntries, inserted);
}

// The users table of text_indexes.mdb (four of its text columns indexed), open for writing.
struct UsersTable {
  jettest::SharedBytes bytes = fixtureBytes("text_indexes.mdb");
  jet::Database db;
  jet::TableDef def;
  UsersTable() {
    jettest::openShared(db, bytes);
    def = db.table(u"users");
  }
};

// Long text keys make node entries large, so a few thousand rows need a tree of three levels.
TEST(WriteTable, TextKeysGrowATreeOfSeveralLevels) {
  UsersTable t;
  jet::Database& db = t.db;
  const jet::TableDef& def = t.def;
  jet::TableWriter writer(db.pages(), def);
  for (int32_t id : ids(1000, 2500, true)) {
    Row r(def.columns.size(), Null{});
    r[0] = id;
    r[1] = std::u16string(u"l") + text::num(id);
    r[2] = std::u16string(u"p");
    r[3] = std::u16string(u"s");
    r[4] = text::num(id) + std::u16string(190, u'n');  // indexed, 200 characters at most
    r[5] = r[6] = r[7] = int32_t{0};
    r[8] = std::u16string(u"N");
    r[9] = jet::DateTime{45000};
    writer.insert(r);
  }
  expectSound(db, u"users");
  int deepest = 0;
  for (const jet::RealIndex& real : db.table(u"users").realIndexes) {
    deepest = std::max(deepest, jet::walkIndex(db.pages(), real.firstPage, def.page()).depth);
  }
  EXPECT_GE(deepest, 2);
}

// Rows of about 500 bytes push a new accessory database past 512 pages: the owned, free-space and
// index maps turn into reference maps (the global map grows inline: write_global_map_test.cpp)
// and still list every page.
TEST(WriteTable, MapsGrowPastTheirInlineRange) {
  auto bytes = jettest::accessoryDatabase();
  jet::Database db;
  jettest::openShared(db, bytes);
  jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
  for (int32_t id : ids(1, 8000, false)) writer.insert(dodatek(id, u"Półka", 200));
  db.commit();  // the new table's index is stored then
  EXPECT_GT(db.pages().pageCount(), 600u);
  expectSound(db, u"Dodatki");
  expectSound(db, u"info_producent");
  EXPECT_EQ(allRows(db, u"Dodatki").size(), 8000u);
}

std::vector<uint8_t> utf16(const std::u16string& s) {
  std::vector<uint8_t> out;
  for (char16_t c : s)
    out.insert(out.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  return out;
}

bool contains(jet::ByteView haystack, const std::vector<uint8_t>& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

// The accessory database's Text columns are made as ADOX makes them, without the compression
// flag, so their text is stored plainly (two bytes a character), as Jet stores it there.
TEST(WriteTable, CreatedTextColumnsStorePlainText) {
  auto bytes = jettest::accessoryDatabase();
  jet::Database db;
  jettest::openShared(db, bytes);
  for (const char16_t* table : {u"info_producent", u"Dodatki"}) {
    // The TDEF as the sample files lay it out: column count at 45, real-index count at 51,
    // 25-byte column descriptors after 63 bytes and 12 per real index; type at +0 (0x0A text),
    // the compression flag in bit 0 of the byte at +16.
    const uint8_t* t = bytes->data() + db.table(table).page() * size_t{4096};
    size_t at = 63 + 12 * jet::u32le(t + 51);
    size_t textColumns = 0;
    for (uint16_t i = 0; i < jet::u16le(t + 45); ++i, at += 25) {
      if (t[at] != 0x0A) continue;
      EXPECT_EQ(t[at + 16] & 0x01, 0) << text::toUtf8(table) << " column " << i;
      ++textColumns;
    }
    EXPECT_GE(textColumns, 9u);
  }
  jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
  writer.insert(dodatek(1, u"Półka narożna", 3));
  jet::TableScanner scan = db.scan(db.table(u"Dodatki"));
  ASSERT_TRUE(scan.next());
  const jet::RowRef row = jet::readRow(db.pages(), scan.rowId(), "a row");
  EXPECT_TRUE(contains(row.slot.bytes, utf16(u"Nordeka")));
  EXPECT_TRUE(contains(row.slot.bytes, utf16(u"Półka narożna")));
  EXPECT_FALSE(contains(row.slot.bytes, {0xFF, 0xFE})) << "no compressed value";
  EXPECT_EQ(scan.value(u"Producent"), jet::Value(std::u16string(u"Nordeka")));
}

struct RefusedCase {
  const char* what;
  Row row;
  const char* message;  // part of the error text
};

// A refused row changes no byte of the file, and the error names its cause.
TEST(WriteTable, RefusedRowsLeaveTheFileUnchanged) {
  const std::u16string tooLong(101, u'x');
  const std::vector<RefusedCase> cases = {
      {"duplicate key", dodatek(7, u"again"), "already has a row with ID = 7 (index Primary)"},
      {"text too long", dodatek(8, tooLong),
       "column Nazwa is too long: 101 characters, at most 100"},
      {"no key",
       [] {
         Row r = dodatek(9, u"x");
         r[0] = Null{};
         return r;
       }(),
       "needs a value for column ID"},
      {"wrong type",
       [] {
         Row r = dodatek(9, u"x");
         r[4] = int32_t{5};
         return r;
       }(),
       "column Nazwa is not text"},
      {"out of range",
       [] {
         Row r = dodatek(9, u"x");
         r[0] = 3e9;
         return r;
       }(),
       "3000000000 is out of range for column ID"},
  };
  auto bytes = jettest::accessoryDatabase();
  jet::Database db;
  jettest::openShared(db, bytes);
  jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
  for (int32_t id = 1; id <= 7; ++id) writer.insert(dodatek(id, u"ok"));
  db.commit();
  const std::vector<uint8_t> saved = *bytes;
  for (const RefusedCase& c : cases) {
    try {
      writer.insert(Row(c.row));
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.what << ": " << e.what();
    }
    EXPECT_EQ(db.pages().pendingPages(), 0u) << c.what << ": a page changed";
    db.commit();
    EXPECT_TRUE(*bytes == saved) << c.what << ": the file changed";
  }
  // The writer goes on after a refusal.
  writer.insert(dodatek(8, u"ok"));
  expectSound(db, u"Dodatki");
  EXPECT_EQ(allRows(db, u"Dodatki").size(), 8u);
}

// Text with a character the code table gives no key (a katakana, whose code has a part of
// unknown place), into an Access-made table with an index on that column: the row is refused,
// naming the column and the character, and nothing is written.
TEST(WriteTable, TextWithACharacterOfUnknownKeyIsRefused) {
  UsersTable t;
  jet::TableWriter writer(t.db.pages(), t.def);
  const std::vector<uint8_t> saved = *t.bytes;
  Row r(t.def.columns.size(), Null{});
  r[*t.def.columnIndex(u"i_user_id")] = int32_t{1000};
  r[*t.def.columnIndex(u"c_user_name")] = std::u16string(u"Łukasz \u30ab");
  try {
    writer.insert(r);
    ADD_FAILURE() << "accepted";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.kind(), jet::ErrorKind::KeylessText) << e.what();
    EXPECT_EQ(text::toUtf8(e.args().column), "c_user_name");
    EXPECT_EQ(text::toUtf8(e.args().character), "U+30AB");
    EXPECT_EQ(text::toUtf8(e.args().value), "Łukasz \u30ab");
  }
  EXPECT_EQ(t.db.pages().pendingPages(), 0u);
  t.db.commit();
  EXPECT_TRUE(*t.bytes == saved) << "the file changed";
}

struct OversizedCase {
  const char* what;
  bool walked;     // the index already holds an entry on file: inserts walk its tree
  bool rowBefore;  // a row of ordinary keys goes in first
};

// Polish, Cyrillic, Greek and Chinese text, and a letter with a combining mark, into an
// Access-made table with an index on that column: the strict check finds every row by the key
// the engine builds for it, and a seek with that key finds each.
TEST(WriteTable, TextBeyondLatin1IsFoundThroughTheIndex) {
  UsersTable t;
  jet::TableWriter writer(t.db.pages(), t.def);
  const size_t name = *t.def.columnIndex(u"c_user_name");
  std::vector<std::pair<Row, jet::RowPointer>> written;
  int32_t id = 3000;
  for (const char16_t* value :
       {u"Zażółć gęślą jaźń", u"Łódź", u"Москва", u"Ωμέγα", u"中文字", u"e\u0301cole", u"Ǣ-Ǆ"}) {
    Row r(t.def.columns.size(), Null{});
    r[*t.def.columnIndex(u"i_user_id")] = id++;
    r[name] = std::u16string(value);
    written.emplace_back(r, writer.insert(r));
  }
  expectSound(t.db, u"users");
  for (const auto& [row, where] : written) {
    for (const jet::RealIndex& real : t.def.realIndexes) {
      const jet::KeyBytes key = jet::indexKey(t.def, real, row);
      EXPECT_TRUE(jet::indexFinds(t.db.pages(), real.firstPage, jet::leafEntry(key, where)))
          << text::toUtf8(std::get<std::u16string>(row[name]));
    }
  }
}

// A key too large for an index page is refused before anything is written, naming the column
// and the row, whether the index is walked or gathered in memory; the writer goes on and the
// commit stores the other entries (a gathered entry that sorted first once broke the commit).
// The primary key is taken as ID and nine copies of Opis_Produktu (as many columns as an index
// takes): 255 control characters key as four bytes each, nine times over. The file's definition
// keeps its one column, so the tree is checked as a tree, its keys against the rows only by
// their count.
TEST(WriteTable, KeysTooLargeForAPageAreRefused) {
  const OversizedCase cases[] = {
      {"gathered, the key first", false, false},
      {"gathered, after a row", false, true},
      {"walked", true, true},
  };
  for (const OversizedCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto bytes = jettest::accessoryDatabase();
    jet::Database db;
    jettest::openShared(db, bytes);
    const auto definition = [&] {
      jet::TableDef def = db.table(u"Dodatki");
      const uint16_t text = def.columns.at(*def.columnIndex(u"Opis_Produktu")).number;
      def.realIndexes.at(0).columns.resize(10, jet::IndexColumn{text, true});
      return def;
    };
    const size_t text = *definition().columnIndex(u"Opis_Produktu");
    const auto row = [&](int32_t id, const std::u16string& description) {
      Row r = dodatek(id, u"x");
      r[text] = description;
      return r;
    };
    if (c.walked) {
      jet::TableWriter(db.pages(), definition()).insert(row(1, u"a"));
      db.commit();
      db.refresh();  // the definition with its new row count
    }
    const jet::TableDef def = definition();
    jet::TableWriter writer(db.pages(), def);
    // Not committed: a commit stores the gathered entries, and the index is walked after it.
    if (c.rowBefore) writer.insert(row(2, u"b"));
    const size_t pending = db.pages().pendingPages();
    const std::vector<uint8_t> saved = *bytes;
    const size_t rowsBefore = size_t{c.walked} + c.rowBefore;
    try {
      writer.insert(row(3, std::u16string(255, u'\x01')));
      ADD_FAILURE() << "accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.kind(), jet::ErrorKind::KeyTooLarge) << e.what();
      EXPECT_EQ(text::toUtf8(e.args().column), "Opis_Produktu");
      // The row's place: its primary key is the index refused.
      EXPECT_EQ(text::toUtf8(e.args().value), "#" + std::to_string(rowsBefore + 1));
      EXPECT_EQ(text::toUtf8(e.args().table), "Dodatki");
    }
    EXPECT_EQ(db.pages().pendingPages(), pending) << "a page changed";
    EXPECT_TRUE(*bytes == saved) << "the file changed";
    writer.insert(row(4, u"c"));
    db.commit();
    EXPECT_EQ(allRows(db, u"Dodatki").size(), rowsBefore + 1);
    const jet::IndexWalk walk =
        jet::walkIndex(db.pages(), def.realIndexes.at(0).firstPage, def.page());
    for (const std::string& f : walk.findings.all()) ADD_FAILURE() << f;
    EXPECT_EQ(walk.leafEntries.size(), rowsBefore + 1);
  }
}

}  // namespace

namespace {

jettest::SharedBytes fieldBytes(const std::string& name) {
  return std::make_shared<std::vector<uint8_t>>(jettest::fieldFixture(name));
}

// The real index behind a logical index of the table.
const jet::RealIndex& indexNamed(const jet::TableDef& def, const std::u16string& name) {
  for (const jet::LogicalIndex& l : def.indexes) {
    if (l.name == name) return def.realIndexes.at(l.realIndex);
  }
  throw std::runtime_error("no index " + text::toUtf8(name));
}

}  // namespace

// A stored key whose last accent byte differs from the engine's key: a fault in Latin-1 text,
// whose codes Access's keys show; only a note in text beyond it, whose codes are the published
// table's alone (an Access key that differs there proves no damage).
TEST(WriteTable, KeysBeyondLatin1ThatDifferAreNotesOfTheCheck) {
  struct Case {
    const char16_t* value;
    bool fault;
  };
  for (const Case& c : {Case{u"L\u00f3dz", true}, Case{u"\u0141\u00f3d\u017a", false}}) {
    UsersTable t;
    Row r(t.def.columns.size(), Null{});
    r[*t.def.columnIndex(u"i_user_id")] = int32_t{3100};
    r[*t.def.columnIndex(u"c_user_name")] = std::u16string(c.value);
    jet::TableWriter(t.db.pages(), t.def).insert(r);
    t.db.commit();
    const jet::RealIndex& byName = indexNamed(t.def, u"Users2_4_idx");
    const jet::KeyBytes key = jet::indexKey(t.def, byName, r);
    std::vector<uint8_t>& bytes = *t.bytes;
    const auto at = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
    ASSERT_NE(at, bytes.end());
    ++*(at + static_cast<ptrdiff_t>(key.size()) - 2);  // the last accent byte, before the end
    jet::Database db;
    jettest::openShared(db, t.bytes);
    const jet::CheckFindings found = jet::checkTable(db, u"users");
    const std::string name = text::toUtf8(c.value);
    EXPECT_EQ(found.faults.size(), c.fault ? 1u : 0u) << name;
    const bool noted =
        std::any_of(found.notes.begin(), found.notes.end(), [](const std::string& n) {
          return n.find("differ from the engine's") != std::string::npos;
        });
    EXPECT_EQ(noted, !c.fault) << name;
  }
}

// Text with a final space and with ß, into Access's Northwind: the keys go where Access's own
// keys would have them, so a seek with the key of the value (without its final space, as Access
// keys it) finds each row, and the check finds nothing new.
TEST(WriteTable, TextKeysOfNewRowsAreFoundThroughTheIndex) {
  auto bytes = fieldBytes("sample_orders_eszett.mdb");
  jet::Database db;
  jettest::openShared(db, bytes);
  const std::vector<std::string> found = jet::checkTable(db, u"Products").all();
  const jet::TableDef def = db.table(u"Products");
  const jet::RealIndex& byName = indexNamed(def, u"ProductName");
  jet::TableWriter writer(db.pages(), def);
  const size_t name = *def.columnIndex(u"ProductName");
  std::vector<std::pair<std::u16string, jet::RowPointer>> written;
  for (const char16_t* value : {u"Nuß ", u"a "}) {
    Row r(def.columns.size(), Null{});
    r[name] = std::u16string(value);
    r[*def.columnIndex(u"Discontinued")] = false;
    written.emplace_back(value, writer.insert(r));
  }
  expectSound(db, u"Products", found);
  for (const auto& [value, where] : written) {
    jet::KeyBytes seek;
    jet::appendTextKey(seek, value.substr(0, value.size() - 1), true);
    EXPECT_TRUE(jet::indexFinds(db.pages(), byName.firstPage, jet::leafEntry(seek, where)))
        << text::toUtf8(value);
  }
  // The values keep their final space.
  std::vector<std::u16string> names;
  for (const Row& r : allRows(db, u"Products")) {
    if (const auto* s = std::get_if<std::u16string>(&r[name])) names.push_back(*s);
  }
  for (const auto& [value, where] : written) {
    EXPECT_EQ(std::count(names.begin(), names.end(), value), 1) << text::toUtf8(value);
  }
}

// A database of a sort order the engine does not encode (Chinese PRC): tables with an index on
// text refuse writers before anything is written; tables whose indexes hold no text take rows.
TEST(WriteTable, TextIndexesOfAnotherSortOrderRefuseRows) {
  auto bytes = fieldBytes("trailing_space_keys.mdb");
  const std::vector<uint8_t> original = *bytes;
  jet::Database db;
  jettest::openShared(db, bytes);
  size_t refused = 0;
  size_t accepted = 0;
  for (const jet::Text& name : db.tableNames()) {
    const jet::TableDef def = db.table(name);
    bool textIndex = false;
    for (const jet::RealIndex& real : def.realIndexes) {
      for (const jet::IndexColumn& ic : real.columns) {
        textIndex |= def.columnByNumber(ic.columnNumber)->is(jet::ColumnType::Text);
      }
    }
    try {
      jet::TableWriter writer(db.pages(), def);
      EXPECT_FALSE(textIndex) << text::toUtf8(name);
      ++accepted;
    } catch (const jet::Error& e) {
      EXPECT_TRUE(textIndex) << text::toUtf8(name);
      EXPECT_EQ(e.kind(), jet::ErrorKind::UnencodedSortOrder);
      EXPECT_EQ(e.args().table, name);
      EXPECT_EQ(e.args().value, u"2052");
      EXPECT_NE(e.message().find(u"sort order 2052"), std::u16string::npos);
      ++refused;
    }
  }
  EXPECT_GT(refused, 0u);
  EXPECT_GT(accepted, 0u);
  db.commit();
  EXPECT_EQ(*bytes, original);
}
