// New pages and usage-map changes for writers. Pages are taken from the end of the file and
// marked used in the global map (page 1, row 0; a set bit there means free). When the file
// outgrows the global map, page 1's rows grow as Jet grows them, while page 1 has room. A map
// that must name a page its inline bitmap does not cover otherwise is turned, in place, into a
// reference map (type 1) whose bitmap pages (type 0x05) cover 32736 pages each.
#pragma once

#include <cstdint>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

class PageAllocator {
 public:
  explicit PageAllocator(PageFile& pages) : pages_(pages) {}

  // Appends a zero-filled page, marked used in the global map, and returns its number.
  uint32_t allocate();
  // Adds `page` to (or removes it from) the table, index or long-value map stored at `map`.
  void setInMap(RowPointer map, uint32_t page, bool member);

 private:
  // Sets the map's bit for `page` to `bit`; `global` selects the free-page semantics of page 1
  // (pages a bitmap newly covers are free from the file's end on).
  void setBit(RowPointer map, uint32_t page, bool bit, bool global);
  // Lengthens the rows of page 1 so that the global map covers `page`; false when page 1 has no
  // room for that.
  bool growGlobalMap(uint32_t page);
  // Rewrites an inline map as a reference map holding the same pages.
  void toReferenceMap(RowPointer map, bool global);
  // A new bitmap page for slot `slot` of a reference map.
  uint32_t newBitmapPage(uint32_t slot, bool global);

  PageFile& pages_;
};

}  // namespace jet
