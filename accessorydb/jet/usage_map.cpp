#include "accessorydb/jet/usage_map.h"

#include "accessorydb/jet/data_page.h"

namespace jet {

namespace {

// Appends the pages of the set bits; `first` is the page of bit 0.
void collectBits(ByteView bitmap, uint64_t first, uint32_t limit, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < bitmap.size(); ++i) {
    if (bitmap[i] == 0) continue;
    for (uint64_t index = 8 * i; index < 8 * (i + 1); ++index) {
      if (!bitAt(bitmap.data(), index)) continue;
      const uint64_t page = first + index;
      if (page >= limit) {
        throw Error(ErrorKind::Damaged, u"Damaged database: a usage map names page " +
                                            text::num(static_cast<int64_t>(page)) +
                                            u" beyond the end of the file");
      }
      out.push_back(static_cast<uint32_t>(page));
    }
  }
}

// Reference-map slots: each slot's bitmap page, 0 where there is none. Jet also leaves values
// with the top bit set (0xFFFFFF80 in the last slot of a global map), which name no page: a
// file has fewer than 2^31 pages.
std::vector<uint32_t> slotsOf(ByteView row) {
  std::vector<uint32_t> slots;
  for (size_t at = usagemap::kReferenceSlotsOffset; at + usagemap::kReferenceSlotSize <= row.size();
       at += usagemap::kReferenceSlotSize) {
    const uint32_t page = u32le(row.data() + at);
    slots.push_back(page & usagemap::kNoBitmapPageFlag ? 0 : page);
  }
  return slots;
}

}  // namespace

std::vector<uint32_t> decodeUsageMap(PageFile& pages, ByteView row, uint32_t limit) {
  requireBytes(row, usagemap::kTypeOffset, 1, "usage map");
  std::vector<uint32_t> out;
  const uint8_t type = row[usagemap::kTypeOffset];
  if (type == usagemap::kInline) {
    requireBytes(row, 0, usagemap::kInlineHeaderSize, "usage map");
    collectBits(row.subspan(usagemap::kInlineHeaderSize),
                u32le(row.data() + usagemap::kStartPageOffset), limit, out);
    return out;
  }
  if (type != usagemap::kReference) {
    throw Error(ErrorKind::Damaged, u"Damaged database: unknown usage map type " + text::num(type));
  }
  const std::vector<uint32_t> slots = slotsOf(row);
  for (size_t slot = 0; slot < slots.size(); ++slot) {
    if (slots[slot] == 0) continue;
    const PageRef p = pages.readTyped(slots[slot], kPageUsageBitmap, "a usage bitmap");
    collectBits(ByteView(p->data() + usagemap::kBitmapPageHeadSize,
                         kPageSize - usagemap::kBitmapPageHeadSize),
                static_cast<uint64_t>(slot) * usagemap::kBitmapPageBits, limit, out);
  }
  return out;
}

std::vector<uint32_t> readUsageMap(PageFile& pages, RowPointer map) {
  const RowRef r = readRow(pages, map, "a usage map");
  return decodeUsageMap(pages, r.slot.bytes, pages.pageCount());
}

std::vector<uint32_t> referencedBitmapPages(ByteView row) {
  std::vector<uint32_t> pages;
  if (row.empty() || row[usagemap::kTypeOffset] != usagemap::kReference) return pages;
  for (uint32_t p : slotsOf(row)) {
    if (p != 0) pages.push_back(p);
  }
  return pages;
}

}  // namespace jet
