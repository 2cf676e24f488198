#include "accessorydb/jet/create_pages.h"

#include <algorithm>
#include <cstring>

namespace jet {

namespace {

constexpr size_t kDataFreeOffset = 2;
constexpr size_t kOwnerOffset = 4;
constexpr size_t kUsageMapBitmapBytes = 64;
constexpr uint8_t kUsageMapInline = 0x00;

}  // namespace

DataPageBuilder::DataPageBuilder(uint32_t owner) {
  page_[0] = kPageData;
  page_[1] = 0x01;
  putU32le(page_.data() + kOwnerOffset, owner);
  putU16le(page_.data() + kDataFreeOffset, kPageSize - kDataRowTableOffset);
}

bool DataPageBuilder::fits(size_t rowLength) const {
  const size_t tableEnd = kDataRowTableOffset + 2 * (rowCount_ + 1);
  return rowCount_ < kMaxRows && rowLength > 0 && tableEnd + rowLength <= rowsStart_;
}

uint8_t DataPageBuilder::add(ByteView row) {
  if (!fits(row.size())) throw Error(u"Internal error: a row does not fit its data page");
  rowsStart_ -= row.size();
  std::memcpy(page_.data() + rowsStart_, row.data(), row.size());
  putU16le(page_.data() + kDataRowTableOffset + 2 * rowCount_, static_cast<uint16_t>(rowsStart_));
  ++rowCount_;
  putU16le(page_.data() + kDataRowCountOffset, rowCount_);
  const size_t free = rowsStart_ - (kDataRowTableOffset + 2 * rowCount_);
  putU16le(page_.data() + kDataFreeOffset, static_cast<uint16_t>(free));
  return static_cast<uint8_t>(rowCount_ - 1);
}

std::vector<uint8_t> inlineUsageMap(const std::vector<uint32_t>& pages) {
  std::vector<uint8_t> row(5 + kUsageMapBitmapBytes, 0);
  row[0] = kUsageMapInline;  // then the start page, 0
  for (uint32_t page : pages) {
    if (page >= kInlineUsageMapPages) {
      throw Error(u"The database would exceed " + text::num(kInlineUsageMapPages) +
                  u" pages, more than this writer's usage maps describe");
    }
    row[5 + page / 8] |= static_cast<uint8_t>(1u << (page % 8));
  }
  return row;
}

std::vector<uint8_t> globalUsageMap(uint32_t pageCount) {
  if (pageCount > kInlineUsageMapPages) {
    throw Error(u"The database would exceed " + text::num(kInlineUsageMapPages) +
                u" pages, more than this writer's usage maps describe");
  }
  std::vector<uint32_t> freePages;
  for (uint32_t page = pageCount; page < kInlineUsageMapPages; ++page) freePages.push_back(page);
  return inlineUsageMap(freePages);
}

}  // namespace jet
