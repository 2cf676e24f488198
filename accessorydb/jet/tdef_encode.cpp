#include "accessorydb/jet/tdef_encode.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "accessorydb/jet/index_keys.h"

namespace jet {

namespace {

constexpr uint8_t kIndexColumnAscending = 0x01;
// Jet 4 sets this bit in the flags of every real index.
constexpr uint8_t kJet4IndexFlag = 0x80;
// Jet writes 04 04 in the cascade bytes of every index that is not a foreign key.
constexpr uint8_t kNoCascade = 0x04;

class Writer {
 public:
  void u16(uint16_t v) { putU16le(block(sizeof v), v); }
  // Appends n zero bytes and returns them, for fields placed at their offsets.
  uint8_t* block(size_t n) {
    bytes_.insert(bytes_.end(), n, 0);
    return bytes_.data() + bytes_.size() - n;
  }
  void name(const Text& s) {
    u16(checkedU16(kTextCharSize * s.size(), "a name's byte length"));
    for (char16_t c : s) u16(c);
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

  static uint16_t checkedU16(size_t v, const char* what) {
    if (v > std::numeric_limits<uint16_t>::max()) {
      throw Error(ErrorKind::Internal, u"Table definition too large: " + text::fromUtf8(what) +
                                           u" is " + text::num(static_cast<int64_t>(v)));
    }
    return static_cast<uint16_t>(v);
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Jet ranks names by their General sort keys ("Users2_1" before "Users2CID": the underscore
// sorts before letters); names without such keys fall back to a case-blind comparison.
bool nameLess(const Text& a, const Text& b) {
  if (textKeyEncodable(a) && textKeyEncodable(b)) {
    KeyBytes ka, kb;
    appendTextKey(ka, a, true);
    appendTextKey(kb, b, true);
    if (ka != kb) return ka < kb;
  }
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](char16_t x, char16_t y) { return text::foldAscii(x) < text::foldAscii(y); });
}

std::vector<const ColumnDef*> columnsInTdefOrder(const TableDef& def, ColumnOrder order) {
  std::vector<const ColumnDef*> cols;
  for (const ColumnDef& c : def.columns) cols.push_back(&c);
  std::stable_sort(cols.begin(), cols.end(), [order](const ColumnDef* a, const ColumnDef* b) {
    return order == ColumnOrder::ByName ? nameLess(a->name, b->name) : a->number < b->number;
  });
  return cols;
}

void writeColumn(Writer& w, const ColumnDef& c, bool coreSystemTable) {
  uint8_t* d = w.block(columndesc::kSize);
  d[columndesc::kTypeOffset] = c.type;
  putU32le(d + columndesc::kMagicOffset, kTdefMagic);
  putU16le(d + columndesc::kNumberOffset, c.number);
  putU16le(d + columndesc::kVarIndexOffset, c.varIndex);
  putU16le(d + columndesc::kNumberCopyOffset, coreSystemTable ? 0 : c.number);
  if (c.is(ColumnType::Decimal)) {
    d[columndesc::kPrecisionOffset] = c.precision;
    d[columndesc::kScaleOffset] = c.scale;
  } else {
    putU16le(d + columndesc::kSortOrderOffset, c.sortOrder);
    d[columndesc::kSortOrderVersionOffset] = kSortOrderVersionLegacy;
  }
  d[columndesc::kFlagsOffset] = c.flags;
  d[columndesc::kExtraFlagsOffset] = c.extraFlags;
  putU16le(d + columndesc::kFixedPositionOffset, c.fixed() ? c.fixedOffset : 0);
  putU16le(d + columndesc::kLengthOffset, c.length);
}

void writeRealIndex(Writer& w, const RealIndex& index) {
  if (index.columns.empty() || index.columns.size() > realindexdesc::kColumnSlots) {
    throw Error(ErrorKind::BadDefinition,
                u"An index must cover 1 to " + text::num(realindexdesc::kColumnSlots) +
                    u" columns, not " + text::num(static_cast<int64_t>(index.columns.size())));
  }
  uint8_t* d = w.block(realindexdesc::kSize);
  putU32le(d + realindexdesc::kMagicOffset, kRealIndexMagic);
  for (size_t i = 0; i < realindexdesc::kColumnSlots; ++i) {
    uint8_t* slot = d + realindexdesc::kColumnSlotsOffset + realindexdesc::kColumnSlotSize * i;
    const bool used = i < index.columns.size();
    putU16le(slot, used ? index.columns[i].columnNumber : realindexdesc::kUnusedSlot);
    slot[realindexdesc::kColumnOrderOffset] =
        used && index.columns[i].ascending ? kIndexColumnAscending : 0;
  }
  putU32le(d + realindexdesc::kUsageMapOffset, index.usageMap.encode());
  putU32le(d + realindexdesc::kFirstPageOffset, index.firstPage);
  d[realindexdesc::kFlagsOffset] = index.flags | kJet4IndexFlag;
}

void writeLogicalIndex(Writer& w, const LogicalIndex& index) {
  uint8_t* d = w.block(logicalindexdesc::kSize);
  putU32le(d + logicalindexdesc::kMagicOffset, kTdefMagic);
  putU32le(d + logicalindexdesc::kNumberOffset, index.number);
  putU32le(d + logicalindexdesc::kRealIndexOffset, index.realIndex);
  putU32le(d + logicalindexdesc::kRelatedIndexOffset, index.relatedIndex);
  putU32le(d + logicalindexdesc::kRelatedTableOffset, index.relatedTable);
  const uint8_t cascade = index.foreignKey() ? 0 : kNoCascade;
  d[logicalindexdesc::kCascadeUpdatesOffset] = cascade;
  d[logicalindexdesc::kCascadeDeletesOffset] = cascade;
  d[logicalindexdesc::kTypeOffset] = index.type;
}

void writeHeader(Writer& w, const TableDef& def, size_t columns, size_t logicalIndexes) {
  uint8_t* h = w.block(tdef::kHeaderSize);
  h[pagehead::kTypeOffset] = kPageTdef;
  h[pagehead::kMarkerOffset] = pagehead::kMarker;
  // Free space and next page are per page (paginateTdef), the length is known at the end.
  putU32le(h + tdef::kMagicOffset, kTdefMagic);
  putU32le(h + tdef::kRowCountOffset, def.rowCount);
  putU32le(h + tdef::kAutoNumberOffset, def.autoNumber);
  h[tdef::kAutoNumberFlagOffset] = tdef::kAutoNumberFlag;
  h[tdef::kTableTypeOffset] = def.tableType;
  putU16le(h + tdef::kMaxColumnsOffset, def.maxColumns);
  putU16le(h + tdef::kVariableColumnsOffset, def.variableColumns);
  putU16le(h + tdef::kColumnCountOffset, Writer::checkedU16(columns, "the column count"));
  putU32le(h + tdef::kLogicalIndexCountOffset, static_cast<uint32_t>(logicalIndexes));
  putU32le(h + tdef::kRealIndexCountOffset, static_cast<uint32_t>(def.realIndexes.size()));
  putU32le(h + tdef::kOwnedPagesOffset, def.ownedPages.encode());
  putU32le(h + tdef::kFreePagesOffset, def.freePages.encode());
}

}  // namespace

std::vector<uint8_t> encodeTdef(const TableDef& def, const IndexKeyCounts& keyCounts,
                                ColumnOrder order) {
  if (keyCounts.size() != def.realIndexes.size()) {
    throw Error(ErrorKind::Internal, u"Table definition: one key count per real index is required");
  }
  const bool core = def.tableType == tdef::kCoreSystemTable;
  const auto cols = columnsInTdefOrder(def, order);
  std::vector<const LogicalIndex*> logical;
  for (const LogicalIndex& li : def.indexes) logical.push_back(&li);
  std::stable_sort(
      logical.begin(), logical.end(),
      [](const LogicalIndex* a, const LogicalIndex* b) { return nameLess(a->name, b->name); });

  Writer w;
  writeHeader(w, def, cols.size(), logical.size());
  for (uint32_t count : keyCounts) {
    putU32le(w.block(tdef::kIndexStatsSize) + tdef::kIndexKeyCountOffset, count);
  }
  for (const ColumnDef* c : cols) writeColumn(w, *c, core);
  for (const ColumnDef* c : cols) w.name(c->name);
  for (const RealIndex& ri : def.realIndexes) writeRealIndex(w, ri);
  for (const LogicalIndex* li : logical) writeLogicalIndex(w, *li);
  for (const LogicalIndex* li : logical) w.name(li->name);
  for (const ColumnDef* c : cols) {
    if (!c->isLongValue()) continue;
    const auto maps =
        std::find_if(def.longValueMaps.begin(), def.longValueMaps.end(),
                     [&](const LongValueMaps& m) { return m.columnNumber == c->number; });
    if (maps == def.longValueMaps.end()) {
      throw Error(ErrorKind::Internal,
                  u"Table definition: no usage maps for the long-value column " + c->name);
    }
    uint8_t* d = w.block(tdef::kLongValueMapSize);
    putU16le(d, maps->columnNumber);
    putU32le(d + tdef::kLongValueMapOwnedOffset, maps->owned.encode());
    putU32le(d + tdef::kLongValueMapFreeOffset, maps->free.encode());
  }
  w.u16(tdef::kEnd);
  std::vector<uint8_t>& bytes = w.bytes();
  putU32le(bytes.data() + tdef::kLengthOffset, static_cast<uint32_t>(bytes.size()));
  return std::move(bytes);
}

size_t tdefPageCount(size_t logicalLength) {
  if (logicalLength <= kPageSize) return 1;
  const size_t perContinuation = kPageSize - tdef::kContinuationHeaderSize;
  return 1 + (logicalLength - kPageSize + perContinuation - 1) / perContinuation;
}

std::vector<Page> paginateTdef(const std::vector<uint8_t>& logical,
                               const std::vector<uint32_t>& pageNumbers) {
  if (pageNumbers.size() != tdefPageCount(logical.size())) {
    throw Error(ErrorKind::Internal, u"Table definition: wrong number of pages for its length");
  }
  std::vector<Page> pages(pageNumbers.size());
  size_t taken = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    Page& p = pages[i];
    p.fill(0);
    // The first page takes the logical TDEF from its start, head included; continuation pages
    // have a head of their own.
    const size_t head = i == 0 ? 0 : tdef::kContinuationHeaderSize;
    const size_t chunk = std::min<size_t>(logical.size() - taken, kPageSize - head);
    std::memcpy(p.data() + head, logical.data() + taken, chunk);
    taken += chunk;
    p[pagehead::kTypeOffset] = kPageTdef;
    p[pagehead::kMarkerOffset] = pagehead::kMarker;
    const size_t left = kPageSize - head - chunk;
    putU16le(p.data() + pagehead::kFreeSpaceOffset,
             static_cast<uint16_t>(
                 left > tdef::kFreeSpaceShortfall ? left - tdef::kFreeSpaceShortfall : 0));
    putU32le(p.data() + tdef::kNextPageOffset, i + 1 < pages.size() ? pageNumbers[i + 1] : 0);
  }
  return pages;
}

}  // namespace jet
