#include "accessorydb/jet/page_allocator.h"

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/usage_map.h"

namespace jet {

namespace {

constexpr size_t kBitmapPageHeader = 4;

// The map row inside a copy of its page.
struct MapRow {
  Page page;
  size_t offset = 0;
  size_t length = 0;
  uint8_t* bytes() { return page.data() + offset; }
};

MapRow readMapRow(PageFile& pages, RowPointer map) {
  MapRow r;
  r.page = *pages.readTyped(map.page, kPageData, "a usage map");
  const RowSlot slot = rowSlot(r.page, map.page, map.row);
  if (slot.bytes.size() < kUsageMapInlineHeader) {
    throw Error(u"Damaged database: the usage map at page " + text::num(map.page) +
                u" is too short");
  }
  r.offset = static_cast<size_t>(slot.bytes.data() - r.page.data());
  r.length = slot.bytes.size();
  return r;
}

void setBitIn(uint8_t* bitmap, uint64_t index, bool bit) {
  const uint8_t mask = static_cast<uint8_t>(1u << (index % 8));
  if (bit) {
    bitmap[index / 8] |= mask;
  } else {
    bitmap[index / 8] &= static_cast<uint8_t>(~mask);
  }
}

bool bitIn(const uint8_t* bitmap, uint64_t index) {
  return (bitmap[index / 8] >> (index % 8)) & 1u;
}

size_t referenceSlots(size_t rowLength) {
  return (rowLength - 1) / 4;
}

}  // namespace

uint32_t PageAllocator::allocate() {
  for (;;) {
    const uint32_t page = pages_.pageCount();
    setBit(kGlobalUsageMap, page, false, true);
    if (pages_.pageCount() == page) {
      pages_.append(Page{});
      return page;
    }
    // The global map took that page as a bitmap page of its own; take the next one.
  }
}

void PageAllocator::setInMap(RowPointer map, uint32_t page, bool member) {
  setBit(map, page, member, false);
}

void PageAllocator::setBit(RowPointer map, uint32_t page, bool bit, bool global) {
  MapRow r = readMapRow(pages_, map);
  uint8_t* row = r.bytes();
  if (row[0] == kUsageMapInline) {
    const uint32_t first = u32le(row + 1);
    const uint64_t bits = 8ull * (r.length - kUsageMapInlineHeader);
    if (page >= first && page - first < bits) {
      if (bitIn(row + kUsageMapInlineHeader, page - first) == bit) return;
      setBitIn(row + kUsageMapInlineHeader, page - first, bit);
      pages_.write(map.page, r.page);
      return;
    }
    // Outside the bitmap: a table map does not list the page, the global map calls it free.
    if (bit == global) return;
    toReferenceMap(map, global);
    setBit(map, page, bit, global);
    return;
  }
  if (row[0] != kUsageMapReference) {
    throw Error(u"Damaged database: unknown usage map type " + text::num(row[0]));
  }
  const uint32_t slot = page / kUsageBitmapPageBits;
  if (slot >= referenceSlots(r.length)) {
    if (bit == global) return;
    throw Error(u"The database is too large: a usage map cannot name page " + text::num(page));
  }
  uint32_t bitmapPage = u32le(row + 1 + 4 * slot);
  if (bitmapPage == 0) {
    if (bit == global) return;
    bitmapPage = newBitmapPage(slot, global);
    r = readMapRow(pages_, map);  // the new page may have changed the map's page
    putU32le(r.bytes() + 1 + 4 * slot, bitmapPage);
    pages_.write(map.page, r.page);
  }
  Page bitmap = *pages_.readTyped(bitmapPage, kPageUsageBitmap, "a usage bitmap");
  const uint32_t index = page % kUsageBitmapPageBits;
  if (bitIn(bitmap.data() + kBitmapPageHeader, index) == bit) return;
  setBitIn(bitmap.data() + kBitmapPageHeader, index, bit);
  pages_.write(bitmapPage, bitmap);
}

uint32_t PageAllocator::newBitmapPage(uint32_t slot, bool global) {
  Page bitmap{};
  bitmap[0] = kPageUsageBitmap;
  bitmap[1] = 0x01;
  uint32_t page;
  if (global) {
    // The global map's own bitmap page is taken straight from the end of the file: every
    // page before it is in use, it and everything after are free until allocated.
    page = pages_.pageCount();
    const uint64_t base = static_cast<uint64_t>(slot) * kUsageBitmapPageBits;
    for (uint32_t i = 0; i < kUsageBitmapPageBits; ++i) {
      if (base + i > page) setBitIn(bitmap.data() + kBitmapPageHeader, i, true);
    }
    if (page / kUsageBitmapPageBits != slot) {
      throw Error(u"Internal error: a global bitmap page outside its own range");
    }
  } else {
    page = allocate();
  }
  pages_.write(page, bitmap);
  return page;
}

void PageAllocator::toReferenceMap(RowPointer map, bool global) {
  MapRow r = readMapRow(pages_, map);
  const size_t slots = referenceSlots(r.length);
  if (slots == 0) throw Error(u"Damaged database: a usage map row is too short");
  const uint32_t first = u32le(r.bytes() + 1);
  const std::vector<uint8_t> oldBits(r.bytes() + kUsageMapInlineHeader, r.bytes() + r.length);
  const uint64_t oldCount = 8ull * oldBits.size();

  // Bitmap pages for every slot the old bitmap reaches; their bits copied below.
  std::vector<uint32_t> bitmapPages(slots, 0);
  const uint64_t lastOld = first + oldCount - 1;
  for (uint64_t s = first / kUsageBitmapPageBits; s <= lastOld / kUsageBitmapPageBits; ++s) {
    if (s >= slots) break;
    bitmapPages[s] = newBitmapPage(static_cast<uint32_t>(s), global);
  }
  for (size_t s = 0; s < slots; ++s) {
    if (bitmapPages[s] == 0) continue;
    Page bitmap = *pages_.read(bitmapPages[s]);
    const uint64_t base = s * uint64_t{kUsageBitmapPageBits};
    for (uint64_t i = 0; i < oldCount; ++i) {
      const uint64_t page = first + i;
      if (page < base || page >= base + kUsageBitmapPageBits) continue;
      // A global bitmap page knows better than the old map about itself and later pages.
      if (global && page >= bitmapPages[s]) continue;
      setBitIn(bitmap.data() + kBitmapPageHeader, page - base, bitIn(oldBits.data(), i));
    }
    pages_.write(bitmapPages[s], bitmap);
  }
  r = readMapRow(pages_, map);
  uint8_t* row = r.bytes();
  std::fill(row, row + r.length, 0);
  row[0] = kUsageMapReference;
  for (size_t s = 0; s < slots; ++s) putU32le(row + 1 + 4 * s, bitmapPages[s]);
  pages_.write(map.page, r.page);
}

}  // namespace jet
