// The global usage map on page 1 as the file grows: its two rows lengthen together in the shape
// Jet gave them in its 974-page sample file, until page 1 is full; only then does the map refer
// to a bitmap page.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "accessorydb/jet/page_allocator.h"
#include "accessorydb/jet/table_check.h"
#include "accessorydb/jet/table_writer.h"
#include "accessorydb/jet/usage_map.h"
#include "tests/jet/jet_test_support.h"
#include "tests/jet/write_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Page 1 as the sample files lay it out: the data-page head, the row count at 12, row offsets
// from 14 (flags above 0x1FFF), rows packed down from the page end.
constexpr size_t kPage = 4096;
constexpr size_t kRowCountAt = 12;
constexpr size_t kRowTableAt = 14;
// An inline map row: type 0, the first page (u32), then the bitmap; a set bit means free.
constexpr size_t kMapHeader = 5;

struct PageOne {
  uint16_t freeSpace = 0;
  uint32_t owner = 0;
  std::vector<size_t> offsets;  // of each row, flags included
  std::vector<Bytes> rows;
};

PageOne pageOne(const uint8_t* file) {
  const uint8_t* p = file + kPage;
  PageOne one;
  one.freeSpace = jet::u16le(p + 2);
  one.owner = jet::u32le(p + 4);
  size_t end = kPage;
  for (uint16_t r = 0; r < jet::u16le(p + kRowCountAt); ++r) {
    const size_t offset = jet::u16le(p + kRowTableAt + 2 * r);
    one.offsets.push_back(offset);
    one.rows.emplace_back(p + (offset & 0x1FFF), p + end);
    end = offset & 0x1FFF;
  }
  return one;
}

// How page 1 of a file of `pageCount` pages departs from the shape of the sample files' page 1:
// two rows of equal length, packed from the page end, the first an inline map from page 0 whose
// bitmap is 64 bytes (512 pages, as in the empty sample files) or, in a larger file, the fewest
// 4-byte steps that cover it (the 974-page sample file), and marks every page from the file's end
// free, the second all zero; free space as the page's bytes leave it.
std::vector<std::string> shapeFaults(const uint8_t* file, uint32_t pageCount) {
  const PageOne one = pageOne(file);
  std::vector<std::string> faults;
  if (one.owner != 1) faults.push_back("owner " + std::to_string(one.owner));
  if (one.rows.size() != 2) return {"rows: " + std::to_string(one.rows.size())};
  const size_t length = one.rows[0].size();
  if (one.rows[1].size() != length) faults.push_back("rows of different lengths");
  if (one.offsets != std::vector<size_t>{kPage - length, kPage - 2 * length}) {
    faults.push_back("rows not packed from the page end");
  }
  if (one.freeSpace != kPage - kRowTableAt - 2 * 2 - 2 * length) faults.push_back("free space");
  const Bytes& map = one.rows[0];
  if (map[0] != 0 || jet::u32le(&map[1]) != 0) faults.push_back("not an inline map from page 0");
  const size_t wanted = std::max<size_t>(64, (pageCount + 31) / 32 * 4);
  if (length != kMapHeader + wanted) {
    faults.push_back("bitmap of " + std::to_string(length - kMapHeader) + " bytes, " +
                     std::to_string(wanted) + " cover the file");
  }
  for (size_t page = pageCount; page < 8 * (length - kMapHeader); ++page) {
    if (!((map[kMapHeader + page / 8] >> (page % 8)) & 1)) {
      faults.push_back("page " + std::to_string(page) + " beyond the end is not free");
      break;
    }
  }
  if (one.rows[1] != Bytes(length, 0)) faults.push_back("second row not zero");
  return faults;
}

TEST(WriteGlobalMap, SampleFilesHaveTheShape) {
  for (const char* name : {"index_codes_text.mdb", "empty_adox.mdb", "empty_jet4_generic.mdb"}) {
    const Bytes jetFile = jettest::fixture(name);
    EXPECT_EQ(shapeFaults(jetFile.data(), static_cast<uint32_t>(jetFile.size() / kPage)),
              std::vector<std::string>{})
        << name;
  }
  const Bytes large = jettest::fixture("index_codes_text.mdb");
  EXPECT_EQ(large.size() / kPage, 974u);
  EXPECT_EQ(pageOne(large.data()).rows[0].size(), 129u);
}

jet::Value str(const std::u16string& s) {
  return s;
}

// A Dodatki row of about 300 bytes: Latin and Polish text, stored plainly.
std::vector<jet::Value> dodatek(int32_t id) {
  std::vector<jet::Value> r(27, jet::Null{});
  r[0] = id;
  r[1] = str(u"Nordeka");
  r[2] = str(u"Szafki");
  r[4] = str(u"Szafka wisząca 60 cm nr " + text::num(id));
  r[5] = str(u"s" + text::num(id) + u".jpg");
  r[7] = id % 3 == 0;
  r[9] = str(u"biały");
  r[12] = str(u"Front lakierowany, zawiasy z cichym domykiem, półka szklana");
  return r;
}

// 10,000 rows take the file well past the 512 pages a new map covers; page 1 keeps both rows
// inline, grown in the sample file's shape, and the table stays sound.
TEST(WriteGlobalMap, TenThousandDodatkiKeepPageOneInline) {
  auto bytes = jettest::accessoryDatabase();
  jet::Database db;
  jettest::openShared(db, bytes);
  jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
  size_t pageCount = 0;
  for (int32_t id = 1; id <= 10000; ++id) {
    writer.insert(dodatek(id));
    db.commit();  // each insert a commit point, so the file shows page 1 at every size
    if (bytes->size() / kPage == pageCount) continue;
    pageCount = bytes->size() / kPage;
    ASSERT_EQ(shapeFaults(bytes->data(), static_cast<uint32_t>(pageCount)),
              std::vector<std::string>{})
        << pageCount << " pages";
  }
  EXPECT_GT(bytes->size() / kPage, 700u);
  for (const std::string& p : jet::checkTable(db, u"Dodatki").all()) ADD_FAILURE() << p;
}

// Two equal rows fill page 1 at (4096 - 14 - 2 * 2) / 2 = 2039 bytes each: a bitmap of 2032
// bytes (a whole number of 4-byte steps), 16256 pages. One page more, and the map becomes a
// reference map whose bitmap page still marks exactly the pages from the file's end as free.
TEST(WriteGlobalMap, BeyondPageOnesRoomTheMapRefersToABitmapPage) {
  constexpr uint32_t kInlinePages = 16256;
  auto bytes = jettest::accessoryDatabase();
  jet::PageFile pages(std::make_unique<testsupport::MemoryFile>(bytes), true);
  jet::PageAllocator allocator(pages);
  while (pages.pageCount() < kInlinePages) {
    allocator.allocate();
    pages.commit();
    ASSERT_EQ(shapeFaults(bytes->data(), pages.pageCount()), std::vector<std::string>{})
        << pages.pageCount() << " pages";
  }
  EXPECT_EQ(pageOne(bytes->data()).rows[0].size(), 2037u);

  const uint32_t next = allocator.allocate();
  pages.commit();
  const PageOne one = pageOne(bytes->data());
  ASSERT_EQ(one.rows[0][0], 0x01) << "a reference map";
  const uint32_t bitmapPage = jet::u32le(&one.rows[0][1]);
  EXPECT_EQ(bitmapPage, kInlinePages) << "taken from the file's end";
  EXPECT_EQ(next, kInlinePages + 1);
  const auto freePages = jet::decodeUsageMap(pages, one.rows[0], UINT32_MAX);
  ASSERT_FALSE(freePages.empty());
  EXPECT_EQ(freePages.front(), pages.pageCount());
  EXPECT_EQ(freePages.size(), 32736u - pages.pageCount());
  // Allocation goes on past the switch.
  EXPECT_EQ(allocator.allocate(), next + 1);
}

}  // namespace
