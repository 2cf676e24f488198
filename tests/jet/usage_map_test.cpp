#include "accessorydb/jet/usage_map.h"

#include <gtest/gtest.h>

#include "tests/jet/jet_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes inlineMap(uint32_t firstPage, Bytes bitmap) {
  Bytes row = {0x00, 0, 0, 0, 0};  // type 0: inline
  jet::putU32le(&row[1], firstPage);
  row.insert(row.end(), bitmap.begin(), bitmap.end());
  return row;
}

Bytes referenceMap(const std::vector<uint32_t>& bitmapPages) {
  Bytes row = {0x01};  // type 1: reference
  for (uint32_t p : bitmapPages) {
    row.resize(row.size() + 4);
    jet::putU32le(&row[row.size() - 4], p);
  }
  return row;
}

// 40 pages; page 3 is a usage bitmap page with bits 1 and 9 set, page 4 a data page.
jet::PageFile file() {
  Bytes bytes(40 * jet::kPageSize, 0);
  uint8_t* bitmap = &bytes[3 * jet::kPageSize];
  bitmap[0] = jet::kPageUsageBitmap;
  bitmap[1] = 0x01;
  bitmap[4] = 0x02;      // page 1
  bitmap[4 + 1] = 0x02;  // page 9
  bytes[4 * jet::kPageSize] = jet::kPageData;
  return jet::PageFile(std::make_unique<jettest::MemoryFile>(bytes), false);
}

TEST(UsageMap, BothKindsListTheirPages) {
  struct Case {
    const char* name;
    Bytes row;
    std::vector<uint32_t> pages;
  };
  const std::vector<Case> cases = {
      {"inline from page 0", inlineMap(0, {0x05, 0x80}), {0, 2, 15}},
      {"inline with a later first page", inlineMap(20, {0x01, 0x00, 0x01}), {20, 36}},
      {"inline, empty bitmap", inlineMap(0, {}), {}},
      {"reference, one bitmap page", referenceMap({3}), {1, 9}},
      {"reference, unused slot first", referenceMap({0}), {}},
  };
  auto pages = file();
  for (const Case& c : cases) {
    EXPECT_EQ(jet::decodeUsageMap(pages, c.row, pages.pageCount()), c.pages) << c.name;
  }
}

TEST(UsageMap, DamagedMapsThrow) {
  struct Case {
    const char* name;
    Bytes row;
    const char* cause;
  };
  const std::vector<Case> cases = {
      {"empty row", {}, "runs past its end"},
      {"inline header cut short", {0, 1, 0}, "runs past its end"},
      {"inline bit beyond the file", inlineMap(0, {0, 0, 0, 0, 0, 0x01}), "beyond the end"},
      {"inline first page far beyond", inlineMap(0xFFFFFF00, {0x01}), "beyond the end"},
      {"reference to a data page", referenceMap({4}), "page type"},
      {"reference beyond the file", referenceMap({77}), "beyond the end"},
      // Slot 1 covers pages from 32736 on, far beyond this file.
      {"reference slot beyond the file", referenceMap({0, 3}), "beyond the end"},
      {"unknown type", {7, 0, 0, 0, 0}, "unknown usage map type"},
  };
  auto pages = file();
  for (const Case& c : cases) {
    try {
      jet::decodeUsageMap(pages, c.row, pages.pageCount());
      ADD_FAILURE() << c.name << ": no error";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.cause), std::string::npos)
          << c.name << ": " << e.what();
    }
  }
}

}  // namespace
