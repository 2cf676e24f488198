#include "accessorydb/jet/data_page.h"

namespace jet {

namespace {

Text where(uint32_t pageNumber) {
  return u"page " + text::num(pageNumber);
}

}  // namespace

uint16_t rowCountOf(const Page& page, uint32_t pageNumber) {
  const uint16_t rows = u16le(page.data() + kDataRowCountOffset);
  if (kDataRowTableOffset + 2u * rows > kPageSize) {
    throw Error(u"Damaged database: " + where(pageNumber) + u" claims " + text::num(rows) +
                u" rows");
  }
  return rows;
}

RowSlot rowSlot(const Page& page, uint32_t pageNumber, uint16_t row) {
  const uint16_t rows = rowCountOf(page, pageNumber);
  if (row >= rows) {
    throw Error(u"Damaged database: row " + text::num(row) + u" of " + where(pageNumber) +
                u" does not exist (" + text::num(rows) + u" rows)");
  }
  const uint8_t* table = page.data() + kDataRowTableOffset;
  RowSlot slot;
  slot.offset = u16le(table + 2 * row);
  const size_t start = slot.offset & kRowOffsetMask;
  // Rows are packed downwards: a row ends where the one before it starts.
  const size_t end = row == 0 ? kPageSize : (u16le(table + 2 * (row - 1)) & kRowOffsetMask);
  const size_t tableEnd = kDataRowTableOffset + 2u * rows;
  if (slot.deleted()) {
    // Nothing to read; deleted rows keep stale offsets that need not make sense.
    return slot;
  }
  if (start < tableEnd || end > kPageSize || start > end) {
    throw Error(u"Damaged database: row " + text::num(row) + u" of " + where(pageNumber) +
                u" has impossible bounds " + text::num(static_cast<int64_t>(start)) + u".." +
                text::num(static_cast<int64_t>(end)));
  }
  slot.bytes = ByteView(page.data() + start, end - start);
  return slot;
}

RowRef readRow(PageFile& pages, RowPointer at, const char* what) {
  RowRef r;
  r.page = pages.readTyped(at.page, kPageData, what);
  r.slot = rowSlot(*r.page, at.page, at.row);
  return r;
}

}  // namespace jet
