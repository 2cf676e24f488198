// Usage maps: which pages belong to a table, an index, a long-value column or (page 1) are free.
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

// The global map: a set bit means the page is free; pages it does not cover count as free.
inline constexpr RowPointer kGlobalUsageMap{kGlobalMapPage, usagemap::kGlobalMapRow};

// Pages whose bit is set, ascending (the layout is in layout.h, usagemap). Set bits at or beyond
// `limit` pages throw (a map of a table's pages must stay inside the file); pass UINT32_MAX to
// accept them (the global map marks pages beyond the end as free).
std::vector<uint32_t> decodeUsageMap(PageFile& pages, ByteView row, uint32_t limit);
// The map stored in the row the pointer names; the limit is the file's page count.
std::vector<uint32_t> readUsageMap(PageFile& pages, RowPointer map);
// The bitmap pages a reference map names (none for an inline map).
std::vector<uint32_t> referencedBitmapPages(ByteView row);

}  // namespace jet
