// Rows of a data page: the row offset table and its flags.
#pragma once

#include <cstdint>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

struct RowSlot {
  uint16_t offset = 0;  // as stored, flags included
  ByteView bytes;       // the row's bytes inside the page

  bool deleted() const { return (offset & kRowDeleted) == kRowDeleted; }
  bool overflowPointer() const { return (offset & kRowDeleted) == kRowOverflowPointer; }
  bool overflowTarget() const { return (offset & kRowDeleted) == kRowOverflowTarget; }
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

}  // namespace jet
