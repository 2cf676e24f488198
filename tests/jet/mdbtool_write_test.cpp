// mdbtool create and import never leave a partial database under the file's name: create makes
// the file under a working name, import writes into a copy that replaces the file when whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "accessorydb/jet/database.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/fake_platform.h"
#include "tools/mdbtool/commands.h"

namespace {

using text::Text;

const Text kPath = u"C:\\db\\dodatki.mdb";

struct ClosedFile {
  void operator()(FILE* f) const { std::fclose(f); }
};

// JSON Lines as a stream.
std::unique_ptr<FILE, ClosedFile> input(const std::string& lines) {
  std::unique_ptr<FILE, ClosedFile> f(std::tmpfile());
  std::fputs(lines.c_str(), f.get());
  std::rewind(f.get());
  return f;
}

std::string rows(int first, int last) {
  std::string out;
  for (int id = first; id <= last; ++id) {
    out += "{\"ID\":" + std::to_string(id) + ",\"Nazwa\":\"Półka " + std::to_string(id) +
           "\",\"Opis_Produktu\":\"" + std::string(200, 'x') + "\"}\n";
  }
  return out;
}

size_t itemsIn(fake::FakePlatform& fs) {
  const std::string bytes = fs.readFile(kPath);
  jet::Database db;
  jettest::openBytes(db, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  size_t n = 0;
  for (jet::TableScanner scan = db.scan(db.table(u"Dodatki")); scan.next();) ++n;
  return n;
}

struct MdbtoolWrite : ::testing::Test {
  MdbtoolWrite() {
    fs.mkdirs(u"C:\\db");
    mdbtool::createFile(fs, kPath);
  }
  // Fails the k-th write of any file (from 1); counts them all.
  void failWrite(int k) {
    writes = 0;
    fs.shouldFail = [this, k](fake::Op op, const Text&) {
      return op == fake::Op::Write && ++writes == k;
    };
  }
  fake::FakePlatform fs;
  int writes = 0;
};

TEST_F(MdbtoolWrite, ImportReplacesTheFileWithAWholeCopy) {
  EXPECT_EQ(mdbtool::importInto(fs, kPath, u"Dodatki", input(rows(1, 300)).get()), 0);
  EXPECT_EQ(itemsIn(fs), 300u);
  EXPECT_FALSE(fs.fileExists(kPath + u".import"));
  // A refused line: the rows before it are imported, the file whole.
  EXPECT_THROW(mdbtool::importInto(fs, kPath, u"Dodatki", input(rows(301, 310) + rows(5, 5)).get()),
               text::Error);
  EXPECT_EQ(itemsIn(fs), 310u);
  EXPECT_FALSE(fs.fileExists(kPath + u".import"));
}

// A failure at any write of an import (the copy, the commit) leaves the file as it was.
TEST_F(MdbtoolWrite, FailedImportLeavesTheFileAsItWas) {
  const std::string before = fs.readFile(kPath);
  failWrite(0);
  mdbtool::importInto(fs, kPath, u"Dodatki", input(rows(1, 200)).get());
  const int importWrites = writes;
  ASSERT_GT(importWrites, 5);
  for (int k = 1; k <= importWrites; ++k) {
    SCOPED_TRACE(k);
    fs.shouldFail = nullptr;
    fs.writeFile(kPath, before);
    failWrite(k);
    EXPECT_THROW(mdbtool::importInto(fs, kPath, u"Dodatki", input(rows(1, 200)).get()),
                 text::Error);
    EXPECT_EQ(fs.readFile(kPath), before);
    EXPECT_FALSE(fs.fileExists(kPath + u".import"));
  }
}

// The copy's last write is flushed to the disk before the copy replaces the file: a power cut
// after the rename finds the whole copy, never a file whose pages were still in the cache.
TEST_F(MdbtoolWrite, ImportFlushesTheCopyBeforeItReplacesTheFile) {
  const Text copy = kPath + u".import";
  fs.opLog.clear();
  ASSERT_EQ(mdbtool::importInto(fs, kPath, u"Dodatki", input(rows(1, 200)).get()), 0);
  std::optional<size_t> lastWrite, flush, replace;
  for (size_t i = 0; i < fs.opLog.size(); ++i) {
    const auto& [op, path] = fs.opLog[i];
    if (path != copy) continue;
    if (op == fake::Op::Write) lastWrite = i;
    if (op == fake::Op::FileFlush && lastWrite && !replace) flush = i;
    if (op == fake::Op::Move) replace = i;
  }
  ASSERT_TRUE(lastWrite && replace);
  ASSERT_TRUE(flush) << "no flush of the copy after its writes, before the rename";
  EXPECT_LT(*lastWrite, *flush);
  EXPECT_LT(*flush, *replace);
}

// A flush that fails, at any of the import's flushes, leaves the file as it was.
TEST_F(MdbtoolWrite, FailedFlushLeavesTheFileAsItWas) {
  const std::string before = fs.readFile(kPath);
  const int flushesBefore = fs.opCount[fake::Op::FileFlush];
  mdbtool::importInto(fs, kPath, u"Dodatki", input(rows(1, 200)).get());
  const int flushes = fs.opCount[fake::Op::FileFlush] - flushesBefore;
  ASSERT_GT(flushes, 0);
  for (int k = 1; k <= flushes; ++k) {
    SCOPED_TRACE(k);
    fs.shouldFail = nullptr;
    fs.writeFile(kPath, before);
    int seen = 0;
    fs.shouldFail = [&](fake::Op op, const Text&) {
      return op == fake::Op::FileFlush && ++seen == k;
    };
    EXPECT_THROW(mdbtool::importInto(fs, kPath, u"Dodatki", input(rows(1, 200)).get()),
                 text::Error);
    EXPECT_EQ(fs.readFile(kPath), before);
    EXPECT_FALSE(fs.fileExists(kPath + u".import"));
  }
}

// A table whose index keys text of a sort order the engine does not encode (a Chinese PRC
// database from the field) takes no rows: the import says why in English, the file stays.
TEST_F(MdbtoolWrite, ImportRefusesTextIndexesOfAnotherSortOrder) {
  const std::vector<uint8_t> field = jettest::fieldFixture("trailing_space_keys.mdb");
  fs.writeFile(kPath, field);
  try {
    mdbtool::importInto(fs, kPath, u"site_config", input("{\"key\":\"a \"}\n").get());
    ADD_FAILURE() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.kind(), jet::ErrorKind::UnencodedSortOrder);
    EXPECT_EQ(text::toUtf8(e.message()),
              "Cannot write rows into table site_config: its index on column key sorts text in "
              "sort order 2052, which this engine does not encode");
  }
  const std::string after = fs.readFile(kPath);
  EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.end()), field);
  EXPECT_FALSE(fs.fileExists(kPath + u".import"));
}

// A failure at any write of create leaves no file at all.
TEST_F(MdbtoolWrite, FailedCreateLeavesNoFile) {
  const Text path = u"C:\\db\\nowa.mdb";
  failWrite(0);
  mdbtool::createFile(fs, path);
  const int createWrites = writes;
  ASSERT_TRUE(fs.deleteFile(path));
  for (int k = 1; k <= createWrites; ++k) {
    SCOPED_TRACE(k);
    failWrite(k);
    EXPECT_THROW(mdbtool::createFile(fs, path), text::Error);
    EXPECT_FALSE(fs.fileExists(path));
    EXPECT_FALSE(fs.fileExists(path + u".create"));
  }
  fs.shouldFail = nullptr;
  EXPECT_THROW(mdbtool::createFile(fs, kPath), text::Error) << "an existing file";
}

}  // namespace
