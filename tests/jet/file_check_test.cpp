#include "accessorydb/jet/file_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/header.h"
#include "tests/jet/jet_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

jet::CheckFindings check(const Bytes& file) {
  jet::Database db;
  jettest::openBytes(db, file);
  return jet::checkFile(db);
}

// The file as a whole and every user table, as `mdbtool check` sees them.
jet::CheckFindings checkAll(const Bytes& file) {
  jet::Database db;
  jettest::openBytes(db, file);
  jet::CheckFindings f = jet::checkFile(db);
  for (const jet::Text& table : db.tableNames()) f.add(jet::checkTable(db, table));
  return f;
}

bool mentions(const std::vector<std::string>& problems, const std::string& part) {
  for (const std::string& p : problems) {
    if (p.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(FileCheck, AccessMadeFilesAreWhole) {
  for (const std::string& name : jettest::fixtureNames()) {
    if (name == "index_codes_text.mdb") continue;  // below
    const auto all = check(jettest::fixture(name)).all();
    EXPECT_TRUE(all.empty()) << name << ": " << all.front();
  }
}

// The one fixture Access left untidy: a commit slot still taken, and pages that are neither
// free nor listed by any map: long-value pages, zeroed pages and old index pages, such as leaf
// 745 of Table2_desc (its indexes use leaves 746 and 749). Access leaves these: notes, no fault.
TEST(FileCheck, LeakedPagesAreNotes) {
  const jet::CheckFindings f = check(jettest::fixture("index_codes_text.mdb"));
  EXPECT_TRUE(f.sound()) << f.faults.front();
  EXPECT_TRUE(mentions(f.notes, "commit slot 1 "));
  EXPECT_TRUE(mentions(f.notes, "page 745 is in use but belongs to nothing"));
  EXPECT_FALSE(mentions(f.notes, "page 746 "));
}

// Access files from the field: each is sound, with the note of what Access left in it (see
// the fixtures' MANIFEST.md); none of them has a fault.
TEST(FileCheck, FieldFilesAreSoundWithWhatAccessLeft) {
  struct Case {
    const char* file;
    const char* note;  // nullptr: no note at all
  };
  const Case cases[] = {
      {"french_sort_order.mdb", "header: commit slot 1 is not released"},
      {"ignore_nulls_freed_pages.mdb",
       "TableIgnoreNulls1: index 1: ignores nulls: 4 rows with null keys have no entry"},
      // Moved rows: the entries name the pointer slots, as Jet's row ids do.
      {"overflow_rows_functions.mdb", nullptr},
      {"pages_not_in_maps.mdb", "page 35 is in use but belongs to nothing"},
      {"reference_global_map.mdb", "MSysACEs: row count 61, rows found 64"},
      {"sample_orders_eszett.mdb",
       "MSysObjects: index 0: node 7: the entry of child 274 is above the child's last entry"},
      {"stale_system_counts.mdb", "MSysACEs: row count 131, rows found 134"},
      {"trailing_space_keys.mdb",
       "site_config: index 0: keys not verified: text in sort order 2052, which the engine does "
       "not encode"},
  };
  for (const Case& c : cases) {
    const jet::CheckFindings f = checkAll(jettest::fieldFixture(c.file));
    for (const std::string& fault : f.faults) ADD_FAILURE() << c.file << ": " << fault;
    if (c.note) {
      EXPECT_TRUE(mentions(f.notes, c.note)) << c.file;
    } else {
      EXPECT_TRUE(f.notes.empty()) << c.file << ": " << f.notes.front();
    }
  }
  EXPECT_EQ(std::size(cases), jettest::fieldFixtureNames().size());
}

// Sets or clears page p's bit in the global map (page 1, row 0; bit set = free).
void setFree(Bytes& f, uint32_t page, bool free) {
  const size_t row = jet::kPageSize + (jet::u16le(&f[jet::kPageSize + 14]) & 0x1FFF);
  const uint32_t first = jet::u32le(&f[row + 1]);
  uint8_t& byte = f[row + 5 + (page - first) / 8];
  const uint8_t bit = static_cast<uint8_t>(1u << ((page - first) % 8));
  byte = free ? (byte | bit) : (byte & ~bit);
}

struct Table1 {
  explicit Table1(const Bytes& f) {
    jet::Database db;
    jettest::openBytes(db, f);
    const jet::TableDef& t = db.table(u"Table1");
    tdef = t.page();
    ownedMap = t.ownedPages;
    jet::TableScanner rows = db.scan(t);
    rows.next();
    dataPage = rows.rowId().page;
    const jet::TableDef& aces = db.table(u"MSysACEs");
    jet::TableScanner aceRows = db.scan(aces);
    while (aceRows.next()) {
      if (aceRows.value(u"ObjectId") == jet::Value(static_cast<int32_t>(tdef))) {
        aceRowIds.push_back(aceRows.rowId());
      }
    }
  }
  uint32_t tdef = 0;
  uint32_t dataPage = 0;
  jet::RowPointer ownedMap;
  std::vector<jet::RowPointer> aceRowIds;
};

TEST(FileCheck, FaultsAreNamed) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> apply;
    const char* problem;
    bool fault = true;  // false: what Access leaves too, a note
  };
  const std::vector<Case> cases = {
      {"commit slot taken", [](Bytes& f) { f[0xE00 + 2 * 5 + 1] = 0x00; }, "commit slot 5 ", false},
      {"header constant", [](Bytes& f) { f[0x20] ^= 0x10; }, "constant at 0x18"},
      {"no version text", [](Bytes& f) { f[0x9C] = '3'; }, "\"4.0\""},
      {"data page marked free", [](Bytes& f) { setFree(f, Table1(f).dataPage, true); },
       "is marked free"},
      {"page that belongs to nothing",
       [](Bytes& f) {
         const auto page = static_cast<uint32_t>(f.size() / jet::kPageSize);
         f.resize(f.size() + jet::kPageSize, 0);
         setFree(f, page, false);
       },
       "belongs to nothing", false},
      {"table pages claimed twice",
       [](Bytes& f) {
         // Table1's owned-pages map pointer names MSysObjects' map.
         const Bytes catalogMap(f.begin() + 2 * jet::kPageSize + 55,
                                f.begin() + 2 * jet::kPageSize + 59);
         std::copy(catalogMap.begin(), catalogMap.end(),
                   f.begin() + Table1(f).tdef * jet::kPageSize + 55);
       },
       "belongs to both"},
      {"table without ACE rows",
       [](Bytes& f) {
         for (const jet::RowPointer at : Table1(f).aceRowIds) {
           f[at.page * jet::kPageSize + 14 + 2 * at.row + 1] |= 0xC0;  // deleted
         }
       },
       "has no MSysACEs row"},
  };
  for (const Case& c : cases) {
    Bytes file = jettest::fixture("basic_types.mdb");
    c.apply(file);
    const jet::CheckFindings f = check(file);
    EXPECT_TRUE(mentions(c.fault ? f.faults : f.notes, c.problem)) << c.name;
    EXPECT_EQ(f.sound(), !c.fault) << c.name;
  }
}

// What is wrong in a table: a user table's count that differs from its rows, an index entry
// whose key is not its row's (Jet's seeks by value miss the row).
TEST(TableCheck, FaultsAreNamed) {
  struct Case {
    const char* name;
    std::function<void(Bytes&, const jet::TableDef&)> apply;
    const char* fault;
  };
  const std::vector<Case> cases = {
      {"row count",
       [](Bytes& f, const jet::TableDef& t) {
         ++f[t.page() * jet::kPageSize + jet::tdef::kRowCountOffset];
       },
       "users: row count 3, rows found 2"},
      {"key of an entry",
       [](Bytes& f, const jet::TableDef& t) {
         // The first entry of the last index (a text key on a one-page tree): its first
         // character code.
         f[t.realIndexes.back().firstPage * jet::kPageSize + 0x1E0 + 1] ^= 0x01;
       },
       "differs from its row's key"},
  };
  for (const Case& c : cases) {
    Bytes file = jettest::fixture("text_indexes.mdb");
    {
      jet::Database db;
      jettest::openBytes(db, file);
      c.apply(file, db.table(u"users"));
    }
    jet::Database db;
    jettest::openBytes(db, file);
    const jet::CheckFindings f = jet::checkTable(db, u"users");
    EXPECT_TRUE(mentions(f.faults, c.fault)) << c.name;
  }
}

}  // namespace
