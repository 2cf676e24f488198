#include "accessorydb/jet/page_allocator.h"

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/usage_map.h"

namespace jet {

namespace {

// The map row inside a copy of its page.
struct MapRow {
  Page page;
  size_t offset = 0;
  size_t length = 0;
  uint8_t* bytes() { return page.data() + offset; }
  uint8_t* bitmap() { return bytes() + usagemap::kInlineHeaderSize; }
  uint8_t* slot(size_t i) {
    return bytes() + usagemap::kReferenceSlotsOffset + usagemap::kReferenceSlotSize * i;
  }
};

MapRow readMapRow(PageFile& pages, RowPointer map) {
  MapRow r;
  r.page = *pages.readTyped(map.page, kPageData, "a usage map");
  const RowSlot slot = rowSlot(r.page, map.page, map.row);
  if (slot.bytes.size() < usagemap::kInlineHeaderSize) {
    throw Error(ErrorKind::Damaged, u"Damaged database: the usage map at page " +
                                        text::num(map.page) + u" is too short");
  }
  r.offset = static_cast<size_t>(slot.bytes.data() - r.page.data());
  r.length = slot.bytes.size();
  return r;
}

size_t referenceSlots(size_t rowLength) {
  return (rowLength - usagemap::kReferenceSlotsOffset) / usagemap::kReferenceSlotSize;
}

uint8_t* bitmapOf(Page& bitmapPage) {
  return bitmapPage.data() + usagemap::kBitmapPageHeadSize;
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
  const uint8_t type = r.bytes()[usagemap::kTypeOffset];
  if (type == usagemap::kInline) {
    const uint32_t first = u32le(r.bytes() + usagemap::kStartPageOffset);
    const uint64_t bits = 8ull * (r.length - usagemap::kInlineHeaderSize);
    if (page >= first && page - first < bits) {
      if (bitAt(r.bitmap(), page - first) == bit) return;
      setBitAt(r.bitmap(), page - first, bit);
      pages_.write(map.page, r.page, PageFile::Order::Last);
      return;
    }
    // Outside the bitmap: a table map does not list the page, the global map calls it free.
    if (bit == global) return;
    if (!(global && growGlobalMap(page))) toReferenceMap(map, global);
    setBit(map, page, bit, global);
    return;
  }
  if (type != usagemap::kReference) {
    throw Error(ErrorKind::Damaged, u"Damaged database: unknown usage map type " + text::num(type));
  }
  const uint32_t slot = page / usagemap::kBitmapPageBits;
  if (slot >= referenceSlots(r.length)) {
    if (bit == global) return;
    throw Error(ErrorKind::TooLarge,
                u"The database is too large: a usage map cannot name page " + text::num(page));
  }
  uint32_t bitmapPage = u32le(r.slot(slot));
  if (bitmapPage == 0) {
    if (bit == global) return;
    bitmapPage = newBitmapPage(slot, global);
    r = readMapRow(pages_, map);  // the new page may have changed the map's page
    putU32le(r.slot(slot), bitmapPage);
    pages_.write(map.page, r.page, PageFile::Order::Last);
  }
  Page bitmap = *pages_.readTyped(bitmapPage, kPageUsageBitmap, "a usage bitmap");
  const uint32_t index = page % usagemap::kBitmapPageBits;
  if (bitAt(bitmapOf(bitmap), index) == bit) return;
  setBitAt(bitmapOf(bitmap), index, bit);
  pages_.write(bitmapPage, bitmap, PageFile::Order::Last);
}

bool PageAllocator::growGlobalMap(uint32_t page) {
  const Page old = *pages_.readTyped(kGlobalMapPage, kPageData, "the global map");
  std::vector<std::vector<uint8_t>> rows;
  for (uint16_t i = 0; i < rowCountOf(old, kGlobalMapPage); ++i) {
    const RowSlot slot = rowSlot(old, kGlobalMapPage, i);
    if (slot.offset & ~datapage::kRowOffsetMask) return false;  // a page 1 Jet did not write
    rows.emplace_back(slot.bytes.begin(), slot.bytes.end());
  }
  std::vector<uint8_t>& map = rows.at(usagemap::kGlobalMapRow);
  const uint32_t first = u32le(map.data() + usagemap::kStartPageOffset);
  if (page < first) return false;
  // The smallest whole number of growth steps that covers `page`; the pages the map newly
  // covers are free, as they were while it did not cover them.
  const size_t step = usagemap::kGrowthStep;
  const size_t bitmapBytes = ((page - first) / 8 / step + 1) * step;
  const size_t oldLength = map.size();
  map.resize(usagemap::kInlineHeaderSize + bitmapBytes, 0xFF);
  // The row after it, of the same length in every file examined, grows alike (with zeros).
  const size_t companion = usagemap::kGlobalMapRow + 1;
  if (companion < rows.size() && rows[companion].size() == oldLength) {
    rows[companion].resize(map.size(), 0);
  }
  Page grown = emptyDataPage(u32le(old.data() + pagehead::kOwnerOffset));
  for (const std::vector<uint8_t>& row : rows) {
    if (!rowFits(grown, kGlobalMapPage, row.size())) return false;
    appendRow(grown, kGlobalMapPage, row);
  }
  pages_.write(kGlobalMapPage, grown, PageFile::Order::Last);
  return true;
}

uint32_t PageAllocator::newBitmapPage(uint32_t slot, bool global) {
  Page bitmap{};
  bitmap[pagehead::kTypeOffset] = kPageUsageBitmap;
  bitmap[pagehead::kMarkerOffset] = pagehead::kMarker;
  uint32_t page;
  if (global) {
    // The global map's own bitmap page is taken straight from the end of the file: every
    // page before it is in use, it and everything after are free until allocated.
    page = pages_.pageCount();
    const uint64_t base = static_cast<uint64_t>(slot) * usagemap::kBitmapPageBits;
    for (uint32_t i = 0; i < usagemap::kBitmapPageBits; ++i) {
      if (base + i > page) setBitAt(bitmapOf(bitmap), i, true);
    }
    if (page / usagemap::kBitmapPageBits != slot) {
      throw Error(ErrorKind::Internal,
                  u"Internal error: a global bitmap page outside its own range");
    }
  } else {
    page = allocate();
  }
  pages_.write(page, bitmap, PageFile::Order::Last);
  return page;
}

void PageAllocator::toReferenceMap(RowPointer map, bool global) {
  MapRow r = readMapRow(pages_, map);
  const size_t slots = referenceSlots(r.length);
  if (slots == 0)
    throw Error(ErrorKind::Damaged, u"Damaged database: a usage map row is too short");
  const uint32_t first = u32le(r.bytes() + usagemap::kStartPageOffset);
  const std::vector<uint8_t> oldBits(r.bitmap(), r.bytes() + r.length);
  const uint64_t oldCount = 8ull * oldBits.size();

  // Bitmap pages for every slot the old bitmap reaches; their bits copied below.
  std::vector<uint32_t> bitmapPages(slots, 0);
  const uint64_t lastOld = first + oldCount - 1;
  for (uint64_t s = first / usagemap::kBitmapPageBits; s <= lastOld / usagemap::kBitmapPageBits;
       ++s) {
    if (s >= slots) break;
    bitmapPages[s] = newBitmapPage(static_cast<uint32_t>(s), global);
  }
  for (size_t s = 0; s < slots; ++s) {
    if (bitmapPages[s] == 0) continue;
    Page bitmap = *pages_.read(bitmapPages[s]);
    const uint64_t base = s * uint64_t{usagemap::kBitmapPageBits};
    for (uint64_t i = 0; i < oldCount; ++i) {
      const uint64_t page = first + i;
      if (page < base || page >= base + usagemap::kBitmapPageBits) continue;
      // A global bitmap page knows better than the old map about itself and later pages.
      if (global && page >= bitmapPages[s]) continue;
      setBitAt(bitmapOf(bitmap), page - base, bitAt(oldBits.data(), i));
    }
    pages_.write(bitmapPages[s], bitmap, PageFile::Order::Last);
  }
  r = readMapRow(pages_, map);
  std::fill(r.bytes(), r.bytes() + r.length, 0);
  r.bytes()[usagemap::kTypeOffset] = usagemap::kReference;
  for (size_t s = 0; s < slots; ++s) putU32le(r.slot(s), bitmapPages[s]);
  pages_.write(map.page, r.page, PageFile::Order::Last);
}

}  // namespace jet
