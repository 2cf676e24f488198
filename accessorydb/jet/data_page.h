// Rows of a data page: the row offset table and its flags, reading and appending rows.
#pragma once

#include <cstdint>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

struct RowSlot {
  uint16_t offset = 0;  // as stored, flags included
  ByteView bytes;       // the row's bytes inside the page

  bool deleted() const { return (offset & datapage::kRowDeleted) == datapage::kRowDeleted; }
  bool overflowPointer() const {
    return (offset & datapage::kRowDeleted) == datapage::kRowOverflowPointer;
  }
  bool overflowTarget() const {
    return (offset & datapage::kRowDeleted) == datapage::kRowOverflowTarget;
  }
};

// Rows in a data page's offset table; throws when the table cannot fit the page.
uint16_t rowCountOf(const Page& page, uint32_t pageNumber);
// Row `row` of a data page; its bounds are checked (deleted rows may be empty).
RowSlot rowSlot(const Page& page, uint32_t pageNumber, uint16_t row);

// One row anywhere: reads the page (which must be a data page) and keeps it alive.
struct RowRef {
  PageRef page;
  RowSlot slot;
};
RowRef readRow(PageFile& pages, RowPointer where, const char* what);

// A data page without rows; `owner` is the TDEF page of its table, 0 for usage-map rows.
Page emptyDataPage(uint32_t owner);
// Whether a row of `length` bytes (and its offset-table entry) fits below the page's rows.
bool rowFits(const Page& page, uint32_t pageNumber, size_t length);
// Puts a row that fits below the page's lowest row and enters it into the offset table, the row
// count and the free space; returns its row number.
uint16_t appendRow(Page& page, uint32_t pageNumber, ByteView row);

}  // namespace jet
