#include "accessorydb/jet/long_value.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/jet/jet_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Row {
  Bytes bytes;
  uint16_t flags = 0;
};
constexpr uint16_t kDeleted = 0xC000;  // row-offset flags of a deleted row

// A data page whose rows are packed from the end, as Jet writes them.
Bytes dataPage(uint32_t owner, const std::vector<Row>& rows) {
  Bytes p(jet::kPageSize, 0);
  p[0] = jet::kPageData;
  p[1] = 0x01;
  jet::putU32le(&p[4], owner);
  jet::putU16le(&p[12], static_cast<uint16_t>(rows.size()));
  size_t end = jet::kPageSize;
  for (size_t i = 0; i < rows.size(); ++i) {
    const size_t start = end - rows[i].bytes.size();
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), p.begin() + start);
    jet::putU16le(&p[14 + 2 * i], static_cast<uint16_t>(start | rows[i].flags));
    end = start;
  }
  return p;
}

Bytes bytesOf(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

Bytes join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes pointer(uint32_t page, uint8_t row) {
  Bytes b(4);
  jet::putU32le(b.data(), jet::RowPointer{page, row}.encode());
  return b;
}

// The 12-byte long-value header: 3-byte length, flags, first row, unknown.
Bytes header(uint32_t length, uint8_t flags, uint32_t page = 0, uint8_t row = 0) {
  Bytes h(12, 0);
  jet::putU32le(h.data(), length | (static_cast<uint32_t>(flags) << 24));
  jet::putU32le(h.data() + 4, jet::RowPointer{page, row}.encode());
  return h;
}

// Page 0 is a stand-in, page 1 and 2 hold long-value rows, page 3 is a table data page.
jet::PageFile lvalFile() {
  Bytes file(jet::kPageSize, 0);
  file = join(file, dataPage(jet::kLvalMarker, {{bytesOf("whole value")},                 // 1:0
                                                {join(pointer(2, 0), bytesOf("chai"))},   // 1:1
                                                {join(pointer(1, 3), bytesOf("loop"))},   // 1:2
                                                {join(pointer(1, 2), bytesOf("back"))},   // 1:3
                                                {join(pointer(0, 0), bytesOf("short"))},  // 1:4
                                                {bytesOf("gone"), kDeleted}}));           // 1:5
  file = join(file, dataPage(jet::kLvalMarker, {{join(pointer(0, 0), bytesOf("ned!xx"))}}));
  file = join(file, dataPage(7, {{bytesOf("table row")}}));
  return jet::PageFile(std::make_unique<jettest::MemoryFile>(file), false);
}

TEST(LongValue, ReadsEachStorageForm) {
  struct Case {
    const char* name;
    Bytes slot;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"inline", join(header(3, jet::kLongValueInline), bytesOf("abc")), "abc"},
      {"inline, zero length", header(0, jet::kLongValueInline), ""},
      {"single row", header(11, jet::kLongValueSinglePage, 1, 0), "whole value"},
      {"single row, shorter length", header(5, jet::kLongValueSinglePage, 1, 0), "whole"},
      // Chain 1:1 -> 2:0; the last row holds more than the length asks for.
      {"chain", header(8, 0, 1, 1), "chained!"},
      {"zero length, no row", header(0, 0), ""},
  };
  auto pages = lvalFile();
  for (const Case& c : cases) {
    const jet::Bytes got = jet::readLongValue(pages, c.slot);
    EXPECT_EQ(std::string(got.begin(), got.end()), c.expected) << c.name;
  }
}

TEST(LongValue, DamageIsReportedWithItsCause) {
  struct Case {
    const char* name;
    Bytes slot;
    const char* cause;
  };
  const std::vector<Case> cases = {
      {"header cut short", Bytes(11, 0), "runs past its end"},
      {"inline length beyond the slot", join(header(9, jet::kLongValueInline), bytesOf("abc")),
       "exceeds"},
      {"single row shorter than the length", header(50, jet::kLongValueSinglePage, 1, 0),
       "exceeds"},
      {"chain that loops", header(1000, 0, 1, 2), "loops"},
      {"chain that ends early", header(1000, 0, 1, 4), "ends after"},
      {"pointer beyond the file", header(5, jet::kLongValueSinglePage, 900, 0), "beyond the end"},
      {"row number beyond the page", header(5, jet::kLongValueSinglePage, 1, 40), "does not exist"},
      {"deleted row", header(4, jet::kLongValueSinglePage, 1, 5), "deleted"},
      {"not a long-value page", header(5, jet::kLongValueSinglePage, 3, 0), "not a long-value"},
      {"not a data page", header(5, jet::kLongValueSinglePage, 0, 0), "page type"},
      {"unknown flags", header(5, 0x20, 1, 0), "unknown storage"},
  };
  auto pages = lvalFile();
  for (const Case& c : cases) {
    try {
      jet::readLongValue(pages, c.slot);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.cause), std::string::npos)
          << c.name << ": " << e.what();
    }
  }
}

}  // namespace
