// Usage maps: which pages belong to a table, an index, a long-value column or (page 1) are free.
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

inline constexpr uint8_t kUsageMapInline = 0x00;
inline constexpr uint8_t kUsageMapReference = 0x01;
inline constexpr size_t kUsageMapInlineHeader = 5;                     // type, first page
inline constexpr uint32_t kUsageBitmapPageBits = (kPageSize - 4) * 8;  // 32736 pages

// Pages whose bit is set, ascending. Inline map: type 0, u32 first page, bitmap to the row's
// end. Reference map: type 1, then u32 page numbers of bitmap pages (type 0x05), slot j covering
// pages from j * 32736. Set bits at or beyond `limit` pages throw (a map of a table's pages must
// stay inside the file); pass UINT32_MAX to accept them (the global map marks pages beyond the
// end as free).
std::vector<uint32_t> decodeUsageMap(PageFile& pages, ByteView row, uint32_t limit);
// The map stored in the row the pointer names; the limit is the file's page count.
std::vector<uint32_t> readUsageMap(PageFile& pages, RowPointer map);

}  // namespace jet
