#include "accessorydb/jet/data_page.h"

#include <algorithm>

namespace jet {

namespace {

Text where(uint32_t pageNumber) {
  return u"page " + text::num(pageNumber);
}

// Where offset-table entry i lies; with i the row count, where the table ends.
size_t entryAt(size_t i) {
  return datapage::kRowTableOffset + datapage::kRowOffsetSize * i;
}

uint16_t rowOffset(const Page& page, uint16_t row) {
  return u16le(page.data() + entryAt(row));
}

// Lowest byte used by the rows of a data page (the page end when it has none).
size_t rowsStart(const Page& page, uint16_t rows) {
  size_t start = kPageSize;
  for (uint16_t i = 0; i < rows; ++i) {
    const size_t off = rowOffset(page, i) & datapage::kRowOffsetMask;
    if (off != 0) start = std::min(start, off);
  }
  return start;
}

}  // namespace

uint16_t rowCountOf(const Page& page, uint32_t pageNumber) {
  const uint16_t rows = u16le(page.data() + datapage::kRowCountOffset);
  if (entryAt(rows) > kPageSize) {
    throw Error(ErrorKind::Damaged, u"Damaged database: " + where(pageNumber) + u" claims " +
                                        text::num(rows) + u" rows");
  }
  return rows;
}

RowSlot rowSlot(const Page& page, uint32_t pageNumber, uint16_t row) {
  const uint16_t rows = rowCountOf(page, pageNumber);
  if (row >= rows) {
    throw Error(ErrorKind::Damaged, u"Damaged database: row " + text::num(row) + u" of " +
                                        where(pageNumber) + u" does not exist (" + text::num(rows) +
                                        u" rows)");
  }
  RowSlot slot;
  slot.offset = rowOffset(page, row);
  const size_t start = slot.offset & datapage::kRowOffsetMask;
  // Rows are packed downwards: a row ends where the one before it starts.
  const size_t end =
      row == 0 ? kPageSize
               : (rowOffset(page, static_cast<uint16_t>(row - 1)) & datapage::kRowOffsetMask);
  if (slot.deleted()) {
    // Nothing to read; deleted rows keep stale offsets that need not make sense.
    return slot;
  }
  if (start < entryAt(rows) || end > kPageSize || start > end) {
    throw Error(ErrorKind::Damaged, u"Damaged database: row " + text::num(row) + u" of " +
                                        where(pageNumber) + u" has impossible bounds " +
                                        text::num(static_cast<int64_t>(start)) + u".." +
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

Page emptyDataPage(uint32_t owner) {
  Page page{};
  page[pagehead::kTypeOffset] = kPageData;
  page[pagehead::kMarkerOffset] = pagehead::kMarker;
  putU32le(page.data() + pagehead::kOwnerOffset, owner);
  putU16le(page.data() + pagehead::kFreeSpaceOffset, static_cast<uint16_t>(kPageSize - entryAt(0)));
  return page;
}

bool rowFits(const Page& page, uint32_t pageNumber, size_t length) {
  const uint16_t rows = rowCountOf(page, pageNumber);
  if (rows >= datapage::kMaxRows || length == 0) return false;
  const size_t tableEnd = entryAt(rows + 1u);
  const size_t start = rowsStart(page, rows);
  return start >= tableEnd && start - tableEnd >= length;
}

uint16_t appendRow(Page& page, uint32_t pageNumber, ByteView row) {
  if (!rowFits(page, pageNumber, row.size())) {
    throw Error(ErrorKind::Internal, u"Internal error: a row does not fit " + where(pageNumber));
  }
  const uint16_t rows = rowCountOf(page, pageNumber);
  const size_t start = rowsStart(page, rows) - row.size();
  std::copy(row.begin(), row.end(), page.begin() + static_cast<ptrdiff_t>(start));
  putU16le(page.data() + entryAt(rows), static_cast<uint16_t>(start));
  putU16le(page.data() + datapage::kRowCountOffset, static_cast<uint16_t>(rows + 1));
  putU16le(page.data() + pagehead::kFreeSpaceOffset,
           static_cast<uint16_t>(start - entryAt(rows + 1u)));
  return rows;
}

}  // namespace jet
