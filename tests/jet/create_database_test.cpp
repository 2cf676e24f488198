// A new database built by NewDatabase: compared with the empty database Jet itself made, and
// checked page by page for the invariants Jet relies on, with the reading layer as a second
// opinion.
#include "accessorydb/jet/create_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "accessorydb/jet/create_header.h"
#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/database.h"
#include "accessorydb/jet/header.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"
#include "accessorydb/jet/usage_map.h"
#include "tests/jet/jet_test_support.h"

namespace {

using jet::ColumnType;
using jet::NewColumn;
using jet::NewTable;
using jet::Page;

constexpr double kCreated = 46000.5;

std::vector<uint8_t> bytesOf(const jet::NewDatabase& db) {
  std::vector<uint8_t> out;
  for (uint32_t n = 0; n < db.pageCount(); ++n) {
    out.insert(out.end(), db.page(n).begin(), db.page(n).end());
  }
  return out;
}

Page pageOf(const std::vector<uint8_t>& file, uint32_t n) {
  Page p;
  std::copy(file.begin() + n * jet::kPageSize, file.begin() + (n + 1) * jet::kPageSize, p.begin());
  return p;
}

// Zeroes the TDEF fields Jet leaves stale: the fixed offset of variable columns, the order byte
// of unused index-column slots and the unknown word at +42 of each real-index descriptor.
void clearStaleTdefFields(Page& p) {
  const uint16_t columns = jet::u16le(&p[45]);
  const uint32_t realIndexes = jet::u32le(&p[51]);
  size_t at = 63 + 12 * realIndexes;
  for (uint16_t i = 0; i < columns; ++i, at += 25) {
    if ((p[at + 15] & jet::kColumnFixed) == 0) p[at + 21] = p[at + 22] = 0;
  }
  for (uint16_t i = 0; i < columns; ++i) at += 2 + jet::u16le(&p[at]);
  for (uint32_t i = 0; i < realIndexes; ++i, at += 52) {
    for (size_t slot = 0; slot < 10; ++slot) {
      if (jet::u16le(&p[at + 4 + 3 * slot]) == 0xFFFF) p[at + 6 + 3 * slot] = 0;
    }
    std::fill(&p[at + 42], &p[at + 46], 0);
  }
}

// Zeroes DateCreate and DateUpdate (fixed offsets 10 and 18) of every MSysObjects row.
void clearObjectDates(Page& p) {
  for (uint16_t r = 0; r < jet::rowCountOf(p, 0); ++r) {
    const uint16_t start = jet::u16le(&p[14 + 2 * r]) & 0x1FFF;  // without the row flags
    std::fill(&p[start + 2 + 10], &p[start + 2 + 26], 0);
  }
}

// Jet's ADOX-made empty database, rebuilt from the format rules with Jet's creation time, is
// the same file except for the fields Jet leaves stale and the objects' creation times (Jet
// stamps them a few milliseconds after the header's).
TEST(CreateDatabase, EmptyDatabaseIsJetsEmptyDatabase) {
  const std::vector<uint8_t> jetFile = jettest::fixture("empty_adox.mdb");
  const jet::NewDatabase ours(jet::decodeHeader(jetFile.data()).created);
  ASSERT_EQ(ours.pageCount() * jet::kPageSize, jetFile.size());
  constexpr uint32_t kObjectsData = 14;
  for (uint32_t n = 0; n < ours.pageCount(); ++n) {
    Page theirs = pageOf(jetFile, n);
    Page mine = ours.page(n);
    if (theirs[0] == jet::kPageTdef) clearStaleTdefFields(theirs);
    if (n == kObjectsData) {
      clearObjectDates(theirs);
      clearObjectDates(mine);
    }
    const auto diff = std::mismatch(mine.begin(), mine.end(), theirs.begin());
    EXPECT_EQ(diff.first, mine.end())
        << "page " << n << " differs at offset 0x" << std::hex << (diff.first - mine.begin());
  }
}

NewTable itemsTable() {
  NewTable t;
  t.name = u"Items";
  t.columns = {{u"ID", ColumnType::Long},
               {u"Name", ColumnType::Text, 100},
               {u"Flag", ColumnType::Boolean},
               {u"Code", ColumnType::Text, 3},
               {u"size X", ColumnType::Text, 255}};
  t.hasPrimaryKey = true;
  t.primaryKeyName = u"Primary";
  t.primaryKeyColumn = u"ID";
  return t;
}

NewTable plainTable() {
  NewTable t;
  t.name = u"plain_table";
  t.columns = {{u"Maker", ColumnType::Text, 50}, {u"zip", ColumnType::Text, 10}};
  return t;
}

// Every page of the file is the global map, a table's TDEF, a usage-map page, or listed in
// exactly one table, index or long-value map; the global map marks exactly the pages from the
// file's end as free; rows, indexes, counts and free-space fields agree with each other.
void expectConsistent(const std::vector<uint8_t>& file) {
  ASSERT_EQ(file.size() % jet::kPageSize, 0u);
  jet::Database db;
  jettest::openBytes(db, file);
  jet::PageFile& pages = db.pages();
  const uint32_t count = pages.pageCount();

  std::map<uint32_t, std::string> owner;  // page -> what claims it
  const auto claim = [&](uint32_t page, const std::string& what) {
    ASSERT_LT(page, count) << what;
    const auto [it, fresh] = owner.emplace(page, what);
    EXPECT_TRUE(fresh) << "page " << page << " claimed by " << it->second << " and " << what;
  };
  std::set<uint32_t> mapPages;
  const auto mapped = [&](jet::RowPointer map, const std::string& what) {
    mapPages.insert(map.page);
    const auto listed = jet::readUsageMap(pages, map);
    for (uint32_t p : listed) claim(p, what);
    return listed;
  };

  const jet::PageRef global = pages.read(1);
  const auto freeMarked = jet::decodeUsageMap(pages, jet::rowSlot(*global, 1, 0).bytes, UINT32_MAX);
  std::vector<uint32_t> beyondEnd;
  for (uint32_t p = count; p < 512; ++p) beyondEnd.push_back(p);
  EXPECT_EQ(freeMarked, beyondEnd) << "global usage map";
  claim(1, "global map");

  for (const jet::CatalogEntry& entry : db.catalog()) {
    if (!entry.isTable()) continue;
    const std::string name = text::toUtf8(entry.name);
    SCOPED_TRACE(name);
    const jet::TableDef& def = db.table(entry.name);
    EXPECT_EQ(def.page(), entry.tdefPage());
    std::vector<uint8_t> logical;
    for (uint32_t p : def.pages) {
      claim(p, name + " TDEF");
      const jet::PageRef tdef = pages.read(p);
      logical.insert(logical.end(), tdef->begin() + (logical.empty() ? 0 : 8), tdef->end());
    }
    const uint32_t tdefLen = jet::u32le(&logical[8]);
    EXPECT_EQ(jet::u16le(&logical[tdefLen - 2]), 0xFFFF) << "TDEF must end with FF FF";
    if (def.pages.size() == 1) {
      EXPECT_EQ(jet::u16le(&pages.read(def.page())->at(2)), jet::kPageSize - tdefLen - 8);
    }

    const auto dataPages = mapped(def.ownedPages, name + " data");
    EXPECT_EQ(jet::readUsageMap(pages, def.freePages), dataPages);
    mapPages.insert(def.freePages.page);
    for (const jet::LongValueMaps& lv : def.longValueMaps) {
      mapped(lv.owned, name + " long values");
      EXPECT_TRUE(jet::readUsageMap(pages, lv.free).empty());
    }
    for (uint32_t p : dataPages) {
      const jet::PageRef data = pages.read(p);
      EXPECT_EQ(jet::u32le(&data->at(4)), def.page()) << "owner of data page " << p;
      const uint16_t rows = jet::rowCountOf(*data, p);
      size_t used = 0;
      for (uint16_t r = 0; r < rows; ++r) used += jet::rowSlot(*data, p, r).bytes.size();
      EXPECT_EQ(jet::u16le(&data->at(2)), jet::kPageSize - 14 - 2 * rows - used);
    }

    std::vector<std::vector<jet::Value>> rows;
    std::vector<jet::RowPointer> rowIds;
    for (jet::TableScanner scan = db.scan(def); scan.next();) {
      rows.push_back(scan.values());
      rowIds.push_back(scan.rowId());
    }
    EXPECT_EQ(def.rowCount, rows.size());
    for (const jet::RealIndex& index : def.realIndexes) {
      const auto indexPages = mapped(index.usageMap, name + " index");
      EXPECT_EQ(indexPages, std::vector<uint32_t>{index.firstPage});
      const jet::IndexPage leaf =
          jet::decodeIndexPage(*pages.read(index.firstPage), index.firstPage);
      EXPECT_TRUE(leaf.leaf);
      EXPECT_EQ(leaf.owner, def.page());
      std::vector<jet::IndexEntry> expected;
      for (size_t r = 0; r < rows.size(); ++r) {
        expected.push_back(jet::leafEntry(jet::indexKey(def, index, rows[r]), rowIds[r]));
      }
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(leaf.entries, expected);
    }
  }
  for (uint32_t p : mapPages) {
    const jet::PageRef maps = pages.read(p);
    EXPECT_EQ(jet::u32le(&maps->at(4)), 0u) << "usage-map page " << p << " has owner 0";
    claim(p, "usage maps");
  }
  for (uint32_t p = 1; p < count; ++p) EXPECT_TRUE(owner.count(p)) << "page " << p << " is lost";
}

TEST(CreateDatabase, EmptyDatabaseIsConsistent) {
  expectConsistent(bytesOf(jet::NewDatabase(kCreated)));
}

TEST(CreateDatabase, TablesAreReadBackAsDefined) {
  jet::NewDatabase db(kCreated);
  db.addTable(plainTable(), kCreated + 0.001);
  expectConsistent(bytesOf(db));
  db.addTable(itemsTable(), kCreated + 0.002);
  const std::vector<uint8_t> file = bytesOf(db);
  expectConsistent(file);

  jet::Database reader;
  jettest::openBytes(reader, file);
  EXPECT_EQ(reader.tableNames(), (std::vector<jet::Text>{u"plain_table", u"Items"}));
  const jet::TableDef& items = reader.table(u"Items");
  const NewTable wanted = itemsTable();
  ASSERT_EQ(items.columns.size(), wanted.columns.size());
  for (size_t i = 0; i < items.columns.size(); ++i) {
    const jet::ColumnDef& c = items.columns[i];
    EXPECT_EQ(c.name, wanted.columns[i].name);
    EXPECT_TRUE(c.is(wanted.columns[i].type));
    if (c.is(ColumnType::Text)) {
      EXPECT_EQ(c.length, 2 * wanted.columns[i].maxChars);
    }
    EXPECT_EQ(c.extraFlags, 0) << "no unicode compression, as ADOX makes columns";
  }
  ASSERT_EQ(items.indexes.size(), 1u);
  EXPECT_EQ(items.indexes[0].name, u"Primary");
  EXPECT_TRUE(items.indexes[0].primaryKey());
  ASSERT_EQ(items.realIndexes.size(), 1u);
  EXPECT_EQ(items.realIndexes[0].columns, (std::vector<jet::IndexColumn>{{0, true}}));
  EXPECT_TRUE(items.realIndexes[0].unique() && items.realIndexes[0].required());
  EXPECT_TRUE(reader.table(u"plain_table").realIndexes.empty());
}

// Each new table belongs to the database owner and grants full data rights to the owner and to
// the group that holds inheritable rights on the Tables container (as Jet does in Access files).
TEST(CreateDatabase, NewTablesGetOwnerAndPermissions) {
  jet::NewDatabase db(kCreated);
  db.addTable(itemsTable(), kCreated);
  const std::vector<uint8_t> file = bytesOf(db);
  const uint32_t key = jet::sidMaskKey(file.data());
  jet::Database reader;
  jettest::openBytes(reader, file);
  const auto entry = std::find_if(reader.catalog().begin(), reader.catalog().end(),
                                  [](const jet::CatalogEntry& e) { return e.name == u"Items"; });
  ASSERT_NE(entry, reader.catalog().end());
  EXPECT_EQ(entry->parentId, jet::kTablesContainerId);
  EXPECT_EQ(entry->flags, 0u);
  const jet::TableDef& objects = reader.table(u"MSysObjects");
  for (jet::TableScanner rows = reader.scan(objects); rows.next();) {
    if (std::get<std::u16string>(rows.value(u"Name")) != u"Items") continue;
    EXPECT_EQ(jet::maskSid(key, std::get<jet::Bytes>(rows.value(u"Owner"))),
              jet::kSidDatabaseOwner);
  }
  std::vector<std::pair<jet::Sid, int32_t>> grants;
  const jet::TableDef& aces = reader.table(u"MSysACEs");
  for (jet::TableScanner rows = reader.scan(aces); rows.next();) {
    if (std::get<int32_t>(rows.value(u"ObjectId")) != entry->id) continue;
    EXPECT_FALSE(std::get<bool>(rows.value(u"FInheritable")));
    grants.emplace_back(jet::maskSid(key, std::get<jet::Bytes>(rows.value(u"SID"))),
                        std::get<int32_t>(rows.value(u"ACM")));
  }
  EXPECT_EQ(grants, (std::vector<std::pair<jet::Sid, int32_t>>{{jet::kSidDatabaseOwner, 0xFFEFF},
                                                               {jet::kSidGroupEntry, 0xFFEFF}}));
}

// The longest definition Jet allows (255 columns with 64-character names) spans a TDEF chain.
TEST(CreateDatabase, LongDefinitionsContinueOnMorePages) {
  NewTable wide;
  wide.name = u"wide";
  for (int i = 0; i < 255; ++i) {
    jet::Text name = u"column_" + text::num(i);
    name.resize(64, u'x');
    wide.columns.push_back({name, ColumnType::Long});
  }
  jet::NewDatabase db(kCreated);
  db.addTable(wide, kCreated);
  const std::vector<uint8_t> file = bytesOf(db);
  expectConsistent(file);
  jet::Database reader;
  jettest::openBytes(reader, file);
  const jet::TableDef& def = reader.table(u"wide");
  EXPECT_GT(def.pages.size(), 1u);
  ASSERT_EQ(def.columns.size(), 255u);
  EXPECT_EQ(def.columns[254].name, wide.columns[254].name);
  EXPECT_EQ(def.columns[254].fixedOffset, 254 * 4);
}

NewTable with(std::function<void(NewTable&)> change) {
  NewTable t = itemsTable();
  change(t);
  return t;
}

// Definitions Jet refuses are refused with their cause, and leave the database as it was.
TEST(CreateDatabase, InvalidDefinitionsAreRefused) {
  struct Case {
    const char* what;
    NewTable table;
    const char* message;
  };
  const Case cases[] = {
      {"name of 65 characters", with([](NewTable& t) { t.name.assign(65, u'a'); }),
       "longer than 64"},
      {"name with a dot", with([](NewTable& t) { t.name = u"a.b"; }), "not allowed"},
      {"name with a leading space", with([](NewTable& t) { t.name = u" a"; }), "begins with"},
      {"empty name", with([](NewTable& t) { t.name.clear(); }), "no name"},
      {"existing table in other case", with([](NewTable& t) { t.name = u"msysobjects"; }),
       "already exists"},
      {"column twice", with([](NewTable& t) { t.columns[2].name = u"name"; }), "appears twice"},
      {"column name with a bracket", with([](NewTable& t) { t.columns[1].name = u"a[1]"; }),
       "not allowed"},
      {"text of 0 characters", with([](NewTable& t) { t.columns[1].maxChars = 0; }), "1 to 255"},
      {"text of 256 characters", with([](NewTable& t) { t.columns[1].maxChars = 256; }),
       "1 to 255"},
      {"no columns", with([](NewTable& t) { t.columns.clear(); }), "1 to 255 columns"},
      {"256 columns", with([](NewTable& t) {
         t.columns.clear();
         for (int i = 0; i < 256; ++i) t.columns.push_back({u"c" + text::num(i), ColumnType::Long});
         t.hasPrimaryKey = false;
       }),
       "1 to 255 columns"},
      {"record over 4060 bytes", with([](NewTable& t) {
         for (int i = 0; i < 8; ++i)
           t.columns.push_back({u"t" + text::num(i), ColumnType::Text, 255});
       }),
       "Record too large"},
      {"key on a missing column", with([](NewTable& t) { t.primaryKeyColumn = u"Nope"; }),
       "does not have"},
      {"key on a yes/no column", with([](NewTable& t) { t.primaryKeyColumn = u"Flag"; }),
       "only integer and text"},
      {"table name without a General key code", with([](NewTable& t) { t.name = u"Tab\u30abica"; }),
       "is not known"},
  };
  jet::NewDatabase db(kCreated);
  db.addTable(plainTable(), kCreated);
  const std::vector<uint8_t> before = bytesOf(db);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      db.addTable(c.table, kCreated);
      ADD_FAILURE() << "accepted";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(bytesOf(db), before);
  }
}

// The catalog's indexes live on one leaf page each; the table that would overflow one is
// refused and the database stays whole.
TEST(CreateDatabase, CatalogFullIsRefusedCleanly) {
  jet::NewDatabase db(kCreated);
  int added = 0;
  std::vector<uint8_t> before;
  try {
    for (;; ++added) {
      before = bytesOf(db);
      NewTable t = plainTable();
      t.name = u"Table number " + text::num(added);
      t.name.resize(64, u'x');  // long names fill the catalog's name index sooner
      db.addTable(t, kCreated);
    }
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("Too many objects"), std::string::npos) << e.what();
  }
  EXPECT_GT(added, 30);
  EXPECT_EQ(bytesOf(db), before);
  expectConsistent(before);
}

}  // namespace
