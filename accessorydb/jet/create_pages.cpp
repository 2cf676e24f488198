#include "accessorydb/jet/create_pages.h"

#include "accessorydb/jet/data_page.h"

namespace jet {

namespace {

// Pages built here have no number yet; the data-page functions use it only in messages.
constexpr uint32_t kUnnumbered = 0;

Error tooLarge() {
  return Error(ErrorKind::TooLarge, u"The database would exceed " +
                                        text::num(usagemap::kNewMapPages) +
                                        u" pages, more than this writer's usage maps describe");
}

}  // namespace

DataPageBuilder::DataPageBuilder(uint32_t owner) : page_(emptyDataPage(owner)) {}

bool DataPageBuilder::fits(size_t rowLength) const {
  return rowFits(page_, kUnnumbered, rowLength);
}

uint8_t DataPageBuilder::add(ByteView row) {
  return static_cast<uint8_t>(appendRow(page_, kUnnumbered, row));
}

std::vector<uint8_t> inlineUsageMap(const std::vector<uint32_t>& pages) {
  std::vector<uint8_t> row(usagemap::kInlineHeaderSize + usagemap::kNewBitmapSize, 0);
  row[usagemap::kTypeOffset] = usagemap::kInline;  // then the start page, 0
  uint8_t* bitmap = row.data() + usagemap::kInlineHeaderSize;
  for (uint32_t page : pages) {
    if (page >= usagemap::kNewMapPages) throw tooLarge();
    setBitAt(bitmap, page, true);
  }
  return row;
}

std::vector<uint8_t> globalUsageMap(uint32_t pageCount) {
  if (pageCount > usagemap::kNewMapPages) throw tooLarge();
  std::vector<uint32_t> freePages;
  for (uint32_t page = pageCount; page < usagemap::kNewMapPages; ++page) freePages.push_back(page);
  return inlineUsageMap(freePages);
}

}  // namespace jet
