#include "accessorydb/jet/usage_map.h"

#include "accessorydb/jet/data_page.h"

namespace jet {

namespace {

// Appends the pages of the set bits; `first` is the page of bit 0.
void collectBits(ByteView bitmap, uint64_t first, uint32_t limit, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < bitmap.size(); ++i) {
    const uint8_t byte = bitmap[i];
    if (byte == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if ((byte & (1u << bit)) == 0) continue;
      const uint64_t page = first + 8 * i + bit;
      if (page >= limit) {
        throw Error(u"Damaged database: a usage map names page " +
                    text::num(static_cast<int64_t>(page)) + u" beyond the end of the file");
      }
      out.push_back(static_cast<uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<uint32_t> decodeUsageMap(PageFile& pages, ByteView row, uint32_t limit) {
  requireBytes(row, 0, 1, "usage map");
  std::vector<uint32_t> out;
  if (row[0] == kUsageMapInline) {
    requireBytes(row, 0, kUsageMapInlineHeader, "usage map");
    collectBits(row.subspan(kUsageMapInlineHeader), u32le(row.data() + 1), limit, out);
    return out;
  }
  if (row[0] != kUsageMapReference) {
    throw Error(u"Damaged database: unknown usage map type " + text::num(row[0]));
  }
  for (size_t slot = 0; 1 + 4 * slot + 4 <= row.size(); ++slot) {
    const uint32_t bitmapPage = u32le(row.data() + 1 + 4 * slot);
    if (bitmapPage == 0) continue;
    const PageRef p = pages.readTyped(bitmapPage, kPageUsageBitmap, "a usage bitmap");
    collectBits(ByteView(p->data() + 4, kPageSize - 4),
                static_cast<uint64_t>(slot) * kUsageBitmapPageBits, limit, out);
  }
  return out;
}

std::vector<uint32_t> readUsageMap(PageFile& pages, RowPointer map) {
  const RowRef r = readRow(pages, map, "a usage map");
  return decodeUsageMap(pages, r.slot.bytes, pages.pageCount());
}

}  // namespace jet
