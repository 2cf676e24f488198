// An empty index gathers its entries in memory and stores them as a whole tree: the tree is one
// Jet keeps (full leaves chained in key order, nodes with a tail, no node of a tail alone), holds
// every entry, takes later inserts as any other, and the commit stores it however the writer
// ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>

#include "accessorydb/jet/gathered_entries.h"
#include "accessorydb/jet/index_tree.h"
#include "accessorydb/jet/table_check.h"
#include "accessorydb/jet/table_writer.h"
#include "tests/jet/jet_test_support.h"
#include "tests/jet/write_support.h"

namespace {

// A key of `bytes` bytes that sorts by n.
jet::KeyBytes key(uint32_t n, size_t bytes) {
  jet::KeyBytes k = {0x7F, static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                     static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
  k.resize(bytes, 0x41);
  return k;
}

jet::RowPointer rowOf(uint32_t n) {
  return {100 + n / 200, static_cast<uint8_t>(n % 200)};
}

// Checks the tree as Jet's seeks and scans need it and that it holds exactly the entries;
// returns its depth.
int expectTree(jet::Database& db, const jet::RealIndex& index, uint32_t owner,
               std::vector<jet::IndexEntry> entries) {
  const jet::IndexWalk walk = jet::walkIndex(db.pages(), index.firstPage, owner);
  for (const std::string& f : walk.findings.all()) ADD_FAILURE() << f;
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(walk.leafEntries, entries);
  // Seeks for a few hundred of them, spread over all leaves.
  const size_t stride = entries.size() / 300 + 1;
  for (size_t i = 0; i < entries.size(); i += stride) {
    EXPECT_TRUE(jet::indexFinds(db.pages(), index.firstPage, entries[i])) << "entry " << i;
  }
  return walk.depth;
}

// Entries of every length from 5 to 16 bytes, many of them beginnings of others and alike in
// their first eight bytes, sort as their bytes do; a key is found once added.
TEST(GatheredEntries, SortByTheEntriesBytes) {
  std::mt19937 random(11);
  jet::GatheredEntries gathered;
  std::vector<jet::IndexEntry> expected;
  std::vector<jet::KeyBytes> keys;
  for (int i = 0; i < 5000; ++i) {
    jet::KeyBytes k(1 + random() % 12);
    for (uint8_t& b : k) b = static_cast<uint8_t>(random() % 3);  // few values: long runs alike
    // Rows of zeros mostly, so that many entries begin others.
    const jet::RowPointer row{0, static_cast<uint8_t>(random() % 4 == 0)};
    EXPECT_EQ(gathered.containsKey(k), std::find(keys.begin(), keys.end(), k) != keys.end());
    gathered.add(k, row);
    keys.push_back(k);
    expected.push_back(jet::leafEntry(k, row));
  }
  gathered.sort();
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(gathered.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const jet::ByteView e = gathered.entry(i);
    ASSERT_EQ(jet::IndexEntry(e.begin(), e.end()), expected[i]) << "entry " << i;
  }
}

struct GatherCase {
  const char* name;
  uint32_t keys;
  size_t keyBytes;
  int depth;  // levels below the root once stored
};

class GatheredIndex : public ::testing::TestWithParam<GatherCase> {};

// Entries of 200-byte keys make 17 a leaf and 18 children a node (17 entries and the tail);
// every third key comes twice. 231 keys (308 entries) fill 19 leaves, 4200 keys 330 leaves and
// 19 nodes: each time the last node would be a tail alone.
TEST_P(GatheredIndex, IsStoredWholeAndTakesLaterInserts) {
  const GatherCase& c = GetParam();
  auto bytes = jettest::accessoryDatabase();
  jet::Database db;
  jettest::openShared(db, bytes);
  const jet::TableDef def = db.table(u"Dodatki");
  jet::RealIndex index = def.realIndexes.at(0);
  index.flags = 0;  // repeated keys allowed
  jet::PageAllocator allocator(db.pages());
  jet::IndexTree tree(db.pages(), allocator, def.page(), index);

  // Every third key twice, in shuffled order.
  std::vector<uint32_t> order(c.keys);
  std::iota(order.begin(), order.end(), 0);
  for (uint32_t n = 0; n < c.keys; n += 3) order.push_back(n);
  std::shuffle(order.begin(), order.end(), std::mt19937(5));
  std::vector<jet::IndexEntry> entries;
  std::vector<bool> seen(c.keys);
  uint32_t row = 0;
  for (const uint32_t n : order) {
    const jet::KeyBytes k = key(2 * n, c.keyBytes);
    EXPECT_EQ(tree.checkInsert(k), seen[n]) << "key " << n;
    seen[n] = true;
    tree.insert(k, rowOf(row));
    entries.push_back(jet::leafEntry(k, rowOf(row++)));
  }
  tree.storeGathered();
  EXPECT_EQ(expectTree(db, index, def.page(), entries), c.depth);

  // Keys between the stored ones, and one past them, now walk into the tree.
  for (uint32_t n = 0; n < c.keys; n += std::max<uint32_t>(1, c.keys / 40)) {
    const jet::KeyBytes k = key(2 * n + 1, c.keyBytes);
    EXPECT_FALSE(tree.checkInsert(k));
    tree.insert(k, rowOf(row));
    entries.push_back(jet::leafEntry(k, rowOf(row++)));
  }
  const jet::KeyBytes k = key(2 * c.keys, c.keyBytes);
  EXPECT_FALSE(tree.checkInsert(k));
  tree.insert(k, rowOf(row));
  entries.push_back(jet::leafEntry(k, rowOf(row)));
  EXPECT_GE(expectTree(db, index, def.page(), entries), c.depth);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GatheredIndex,
                         ::testing::Values(GatherCase{"OneEntry", 1, 200, 0},
                                           GatherCase{"OneLeaf", 12, 200, 0},
                                           GatherCase{"TwoLeaves", 13, 200, 1},
                                           GatherCase{"NoTailAloneOnTheLeavesNodes", 231, 200, 2},
                                           GatherCase{"NoTailAloneTwoLevelsUp", 4200, 200, 3},
                                           GatherCase{"ShortKeys", 20000, 5, 1}),
                         [](const ::testing::TestParamInfo<GatherCase>& i) {
                           return i.param.name;
                         });

// How a writer's life ends against the database's commit.
enum class Ending { CommitThenWriterGoes, WriterGoesThenCommit, DatabaseClosesFirst };

std::string endingName(const ::testing::TestParamInfo<Ending>& i) {
  static const char* const names[] = {"CommitThenWriterGoes", "WriterGoesThenCommit",
                                      "DatabaseClosesFirst"};
  return names[static_cast<size_t>(i.param)];
}

class GatheredTable : public ::testing::TestWithParam<Ending> {};

// Rows into a new table: a repeated key is refused while its index is gathered, and however the
// writer and the commit end, the file holds every row once in a sound index.
TEST_P(GatheredTable, EveryRowIsIndexedHoweverTheWriterEnds) {
  auto bytes = jettest::accessoryDatabase();
  std::vector<int32_t> ids(3000);
  std::iota(ids.begin(), ids.end(), 1);
  std::shuffle(ids.begin(), ids.end(), std::mt19937(3));
  {
    jet::Database db;
    jettest::openShared(db, bytes);
    std::optional<jet::TableWriter> writer;
    writer.emplace(db.pages(), db.table(u"Dodatki"));
    for (size_t i = 0; i < ids.size(); ++i) {
      writer->insert(jettest::dodatek(ids[i], u"Półka", 20));
      if (i != ids.size() / 2) continue;
      try {
        writer->insert(jettest::dodatek(ids[0], u"again"));
        ADD_FAILURE() << "a repeated ID was accepted";
      } catch (const jet::Error& e) {
        EXPECT_EQ(e.kind(), jet::ErrorKind::DuplicateKey) << e.what();
      }
    }
    switch (GetParam()) {
      case Ending::CommitThenWriterGoes:
        db.commit();
        writer.reset();
        break;
      case Ending::WriterGoesThenCommit:
        writer.reset();
        db.commit();
        break;
      case Ending::DatabaseClosesFirst:
        EXPECT_TRUE(db.close());
        writer.reset();
        break;
    }
  }
  jet::Database db;
  jettest::openShared(db, bytes);
  for (const std::string& p : jet::checkTable(db, u"Dodatki").all()) ADD_FAILURE() << p;
  const jet::TableDef def = db.table(u"Dodatki");
  EXPECT_EQ(
      jet::walkIndex(db.pages(), def.realIndexes.at(0).firstPage, def.page()).leafEntries.size(),
      ids.size());
  EXPECT_EQ(def.rowCount, ids.size());
}

INSTANTIATE_TEST_SUITE_P(Endings, GatheredTable,
                         ::testing::Values(Ending::CommitThenWriterGoes,
                                           Ending::WriterGoesThenCommit,
                                           Ending::DatabaseClosesFirst),
                         endingName);

// Changes kept in memory that cannot be stored fail the commit, and every commit after it,
// before a page is written.
TEST(GatheredTable, AFailureToStoreFailsTheCommit) {
  struct Failing : jet::PageFile::BeforeCommit {
    void beforeCommit() override { throw jet::Error(jet::ErrorKind::Internal, u"no room"); }
  } failing;
  auto bytes = jettest::accessoryDatabase();
  const std::vector<uint8_t> saved = *bytes;
  jet::Database db;
  jettest::openShared(db, bytes);
  {
    jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
    writer.insert(jettest::dodatek(1, u"Półka"));
  }
  const jet::PageFile::CommitHook hook = db.pages().hookBeforeCommit(failing);
  EXPECT_THROW(db.commit(), jet::Error);
  EXPECT_EQ(db.pages().failure(), std::optional<text::Text>(u"no room"));
  EXPECT_THROW(db.commit(), jet::Error);
  EXPECT_FALSE(db.close());
  EXPECT_EQ(*bytes, saved);
}

}  // namespace
