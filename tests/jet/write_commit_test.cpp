// The write-back cache's commit points: inserts reach the file only at a commit (the caller's, a
// close) or when the cache's bound writes its oldest pages back; each commit leaves the file
// whole and writes every page once, in page order with the table definition and the maps last,
// and after a failed write nothing more is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "accessorydb/jet/table_check.h"
#include "accessorydb/jet/table_writer.h"
#include "tests/jet/jet_test_support.h"
#include "tests/jet/write_support.h"

namespace {

using jet::Null;
using jet::Value;
using Row = std::vector<Value>;
using testsupport::SharedBytes;

Row dodatek(int32_t id, size_t textChars) {
  return jettest::dodatek(id, u"Regał " + text::num(id), textChars);
}

// What a copy of the bytes holds: the problems of a strict check, or the row count.
size_t soundRows(const std::vector<uint8_t>& bytes) {
  jet::Database db;
  jettest::openShared(db, std::make_shared<std::vector<uint8_t>>(bytes));
  for (const std::string& p : jet::checkTable(db, u"Dodatki").all()) ADD_FAILURE() << p;
  size_t rows = 0;
  jet::TableScanner scan = db.scan(db.table(u"Dodatki"));
  while (scan.next()) ++rows;
  return rows;
}

// The pages the file was asked to write, in order; the write numbered failAt (from 1) fails.
struct WriteLog {
  std::vector<uint32_t> pages;
  size_t failAt = 0;
};

class LoggedFile : public testsupport::MemoryFile {
 public:
  LoggedFile(SharedBytes bytes, std::shared_ptr<WriteLog> log)
      : MemoryFile(std::move(bytes)), log_(std::move(log)) {}
  void writeAt(uint64_t pos, const void* buf, size_t n) override {
    log_->pages.push_back(static_cast<uint32_t>(pos / jet::kPageSize));
    if (log_->pages.size() == log_->failAt) throw plat::FileError(u"the disk is full");
    MemoryFile::writeAt(pos, buf, n);
  }

 private:
  std::shared_ptr<WriteLog> log_;
};

std::vector<int32_t> shuffledIds(size_t n) {
  std::vector<int32_t> out(n);
  std::iota(out.begin(), out.end(), 1);
  std::shuffle(out.begin(), out.end(), std::mt19937(7));
  return out;
}

// Between commits the file keeps the last commit's bytes; at each commit it is whole and holds
// every row inserted so far.
TEST(WriteCommit, EveryCommitLeavesAReadableFile) {
  auto bytes = jettest::accessoryDatabase();
  jet::Database db;
  jettest::openShared(db, bytes);
  jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
  std::vector<uint8_t> committed = *bytes;
  size_t inserted = 0;
  for (int32_t id : shuffledIds(900)) {
    writer.insert(dodatek(id, 200));
    ++inserted;
    if (id % 97 != 0) {
      ASSERT_TRUE(*bytes == committed) << "an insert wrote to the file, after id " << id;
      continue;
    }
    db.commit();
    EXPECT_EQ(db.pages().pendingPages(), 0u);
    committed = *bytes;
    EXPECT_EQ(soundRows(committed), inserted) << "after id " << id;
  }
  EXPECT_TRUE(db.close());
  EXPECT_EQ(soundRows(*bytes), 900u) << "the close commits the rest";
}

// Pending pages never pass their bound: when they reach it, the quarter changed least recently
// is written out (the full data pages), while the pages still changing (the index, the table
// definition, the maps, the last data page) stay pending; each page reaches the file about once,
// and the next commit makes the file whole.
// Rows into a new table (its index gathered in memory) keep to the smaller bound; after a commit
// the index is walked into, and the larger bound keeps its leaves in memory.
TEST(WriteCommit, TheCacheBoundWritesBackTheOldestPages) {
  for (const bool indexWalked : {false, true}) {
    SCOPED_TRACE(indexWalked ? "index walked into" : "index gathered");
    const size_t bound =
        indexWalked ? jet::PageFile::kPendingBound : jet::PageFile::kSequentialPendingBound;
    auto bytes = jettest::accessoryDatabase();
    auto log = std::make_shared<WriteLog>();
    jet::Database db;
    db.open(std::make_unique<LoggedFile>(bytes, log), false);
    jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
    int32_t id = 1;
    if (indexWalked) {
      writer.insert(dodatek(id++, 0));
      db.commit();
    }
    size_t writeBacks = 0;
    for (; writeBacks < 2; ++id) {
      const size_t writes = log->pages.size();
      Row wide = dodatek(id, 250);  // about 1.5 KB: two rows a page
      wide[17] = wide[26] = wide[12];
      writer.insert(std::move(wide));
      ASSERT_LT(db.pages().pendingPages(), bound);
      if (log->pages.size() == writes) continue;
      ++writeBacks;
      EXPECT_EQ(log->pages.size() - writes, bound / 4);
      EXPECT_TRUE(
          std::is_sorted(log->pages.begin() + static_cast<ptrdiff_t>(writes), log->pages.end()));
    }
    db.commit();
    EXPECT_EQ(soundRows(*bytes), static_cast<size_t>(id - 1));
    const std::set<uint32_t> distinct(log->pages.begin(), log->pages.end());
    EXPECT_LE(log->pages.size(), distinct.size() + distinct.size() / 100) << "pages written twice";
  }
}

// A commit writes each pending page once: first the pages of rows and indexes in page order,
// then the table definition and the usage maps (page 1 among them) in page order.
TEST(WriteCommit, PagesInPageOrderWithDefinitionAndMapsLast) {
  auto bytes = jettest::accessoryDatabase();
  auto log = std::make_shared<WriteLog>();
  jet::Database db;
  db.open(std::make_unique<LoggedFile>(bytes, log), false);
  const jet::TableDef def = db.table(u"Dodatki");
  const uint32_t firstNewPage = db.pages().pageCount();
  jet::TableWriter writer(db.pages(), def);
  for (int32_t id = 1; id <= 200; ++id) writer.insert(dodatek(id, 200));
  db.commit();
  const std::vector<uint32_t>& w = log->pages;
  const std::set<uint32_t> distinct(w.begin(), w.end());
  EXPECT_EQ(distinct.size(), w.size()) << "a page written twice";
  const auto turn = std::is_sorted_until(w.begin(), w.end());
  ASSERT_NE(turn, w.end()) << "no pages last";
  EXPECT_TRUE(std::is_sorted(turn, w.end()));
  const std::set<uint32_t> last(turn, w.end());
  EXPECT_TRUE(last.contains(def.page())) << "the table definition";
  EXPECT_TRUE(last.contains(jet::kGlobalMapPage));
  EXPECT_TRUE(last.contains(def.ownedPages.page)) << "the table's maps";
  for (auto it = w.begin(); it != turn; ++it) {
    EXPECT_FALSE(*it == def.page() || *it == jet::kGlobalMapPage) << "page " << *it;
  }
  EXPECT_TRUE(std::any_of(w.begin(), turn, [&](uint32_t p) { return p >= firstNewPage; }));
  EXPECT_EQ(soundRows(*bytes), 200u);
}

// A failed write, at any write of a commit, fails that commit with its cause and every commit
// after it; the close then discards the pending pages without writing, and no more rows go in.
TEST(WriteCommit, AFailedCommitWritesNothingMore) {
  const SharedBytes base = jettest::accessoryDatabase();
  const auto run = [&](size_t failAt, const SharedBytes& bytes) {
    auto log = std::make_shared<WriteLog>();
    log->failAt = failAt;
    jet::Database db;
    db.open(std::make_unique<LoggedFile>(bytes, log), false);
    jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
    for (int32_t id = 1; id <= 60; ++id) writer.insert(dodatek(id, 200));
    if (failAt == 0) {
      db.commit();
      return log->pages.size();
    }
    try {
      db.commit();
      ADD_FAILURE() << "committed";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find("the disk is full"), std::string::npos) << e.what();
    }
    EXPECT_THROW(db.commit(), jet::Error);
    EXPECT_THROW(writer.insert(dodatek(1000, 10)), jet::Error);
    EXPECT_FALSE(db.close());
    EXPECT_EQ(log->pages.size(), failAt) << "written after the failure";
    return log->pages.size();
  };
  const size_t commitWrites = run(0, std::make_shared<std::vector<uint8_t>>(*base));
  ASSERT_GT(commitWrites, 10u);
  for (size_t failAt = 1; failAt <= commitWrites; ++failAt) {
    SCOPED_TRACE(failAt);
    run(failAt, std::make_shared<std::vector<uint8_t>>(*base));
  }
}

// Destroying an open database, as an error unwinds the stack, writes nothing.
TEST(WriteCommit, DestructionDiscardsPendingPages) {
  auto bytes = jettest::accessoryDatabase();
  const std::vector<uint8_t> before = *bytes;
  {
    jet::Database db;
    jettest::openShared(db, bytes);
    jet::TableWriter writer(db.pages(), db.table(u"Dodatki"));
    for (int32_t id = 1; id <= 50; ++id) writer.insert(dodatek(id, 200));
    EXPECT_GT(db.pages().pendingPages(), 0u);
  }
  EXPECT_TRUE(*bytes == before);
}

// A scan reads the pages after the one it asks for in the same read, yet a page changed since
// the last commit, or one already read, still comes as it is now; a random read takes one page.
TEST(WriteCommit, AScanReadsAheadButChangedPagesComeAsChanged) {
  constexpr uint32_t kPages = 40;
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  for (uint32_t p = 0; p < kPages; ++p) bytes->insert(bytes->end(), jet::kPageSize, uint8_t(p));
  bytes->resize(bytes->size() + 100, 0xAB);  // a partial page at the end does not count
  struct CountedFile : testsupport::MemoryFile {
    using MemoryFile::MemoryFile;
    size_t readAt(uint64_t pos, void* buf, size_t n) override {
      ++reads;
      return MemoryFile::readAt(pos, buf, n);
    }
    size_t reads = 0;
  };
  auto owned = std::make_unique<CountedFile>(bytes);
  CountedFile& file = *owned;
  jet::PageFile pages(std::move(owned), true);
  jet::Page changed;
  changed.fill(0xEE);
  pages.write(7, changed);
  EXPECT_EQ((*pages.read(30))[0], 30);
  EXPECT_EQ((*pages.read(12))[0], 12);
  EXPECT_EQ(file.reads, 2u) << "random reads take one page each";
  for (uint32_t p = 0; p < kPages; ++p) {
    EXPECT_EQ((*pages.read(p))[jet::kPageSize - 1], p == 7 ? 0xEE : p) << "page " << p;
  }
  EXPECT_LE(file.reads, 2u + 6u) << "the scan read ahead";
  EXPECT_THROW(pages.read(kPages), jet::Error);
}

}  // namespace
