// Builders for the pages a new database is made of: data pages (rows, usage-map rows) and inline
// usage maps.
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

// Rows packed downward from the end of the page, offsets in row order.
class DataPageBuilder {
 public:
  // owner: the TDEF page of the rows' table; 0 for a page of usage-map rows.
  explicit DataPageBuilder(uint32_t owner);
  bool fits(size_t rowLength) const;
  // Appends a row (it must fit) and returns its row number.
  uint8_t add(ByteView row);
  const Page& page() const { return page_; }

 private:
  Page page_;
};

// An inline usage map as Jet creates them: start page 0, covering pages 0..511; a bit is set
// for every listed page. Throws Error for a page beyond 511.
std::vector<uint8_t> inlineUsageMap(const std::vector<uint32_t>& pages);
// The global map of page 1: set bits mean free, so every page from the file end to 511 is set.
std::vector<uint8_t> globalUsageMap(uint32_t pageCount);

}  // namespace jet
