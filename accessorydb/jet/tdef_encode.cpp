#include "accessorydb/jet/tdef_encode.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "accessorydb/jet/index_keys.h"

namespace jet {

namespace {

constexpr size_t kTdefHeaderSize = 63;
constexpr size_t kPageHeaderSize = 8;  // type, 0x01, free space, next page
constexpr size_t kColumnDescriptorSize = 25;
constexpr size_t kRealIndexDescriptorSize = 52;
constexpr size_t kLogicalIndexDescriptorSize = 28;
constexpr size_t kLongValueMapSize = 10;
constexpr size_t kIndexColumnSlots = 10;
constexpr uint8_t kCoreSystemTable = 0x53;  // 'S'
constexpr uint8_t kIndexColumnAscending = 0x01;
// Jet writes 04 04 in the cascade bytes of every index that is not a foreign key.
constexpr uint8_t kNoCascade = 0x04;
constexpr uint16_t kEndOfTdef = 0xFFFF;

class Writer {
 public:
  void u8(uint8_t v) { bytes_.push_back(v); }
  void u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
  }
  void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  void name(const Text& s) {
    u16(checkedU16(2 * s.size(), "a name's byte length"));
    for (char16_t c : s) u16(c);
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

  static uint16_t checkedU16(size_t v, const char* what) {
    if (v > std::numeric_limits<uint16_t>::max()) {
      throw Error(u"Table definition too large: " + text::fromUtf8(what) + u" is " +
                  text::num(static_cast<int64_t>(v)));
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
  w.u8(c.type);
  w.u32(kTdefMagic);
  w.u16(c.number);
  w.u16(c.varIndex);
  // Unknown word: Jet leaves 0 in its own tables; user tables carry the column number.
  w.u16(coreSystemTable ? 0 : c.number);
  if (c.is(ColumnType::Decimal)) {
    w.u8(c.precision);
    w.u8(c.scale);
    w.zeros(2);
  } else {
    w.u16(c.sortOrder);
    w.u8(0);
    w.u8(0);  // sort-order version: General (legacy)
  }
  w.u8(c.flags);
  w.u8(c.extraFlags);
  w.zeros(4);
  w.u16(c.fixed() ? c.fixedOffset : 0);
  w.u16(c.length);
}

void writeRealIndex(Writer& w, const RealIndex& index) {
  if (index.columns.empty() || index.columns.size() > kIndexColumnSlots) {
    throw Error(u"An index must cover 1 to 10 columns, not " +
                text::num(static_cast<int64_t>(index.columns.size())));
  }
  w.u32(kRealIndexMagic);
  for (size_t slot = 0; slot < kIndexColumnSlots; ++slot) {
    if (slot < index.columns.size()) {
      w.u16(index.columns[slot].columnNumber);
      w.u8(index.columns[slot].ascending ? kIndexColumnAscending : 0);
    } else {
      w.u16(0xFFFF);
      w.u8(0);
    }
  }
  w.u32(index.usageMap.encode());
  w.u32(index.firstPage);
  w.zeros(4);
  w.u8(index.flags | 0x80);  // Jet 4 sets the high bit on every index
  w.zeros(5);
}

void writeLogicalIndex(Writer& w, const LogicalIndex& index) {
  w.u32(kTdefMagic);
  w.u32(index.number);
  w.u32(index.realIndex);
  w.u8(0);  // related table type
  w.u32(index.relatedIndex);
  w.u32(index.relatedTable);
  w.u8(index.foreignKey() ? 0 : kNoCascade);
  w.u8(index.foreignKey() ? 0 : kNoCascade);
  w.u8(index.type);
  w.zeros(4);
}

}  // namespace

std::vector<uint8_t> encodeTdef(const TableDef& def, const IndexKeyCounts& keyCounts,
                                ColumnOrder order) {
  if (keyCounts.size() != def.realIndexes.size()) {
    throw Error(u"Table definition: one key count per real index is required");
  }
  const bool core = def.tableType == kCoreSystemTable;
  const auto cols = columnsInTdefOrder(def, order);
  std::vector<const LogicalIndex*> logical;
  for (const LogicalIndex& li : def.indexes) logical.push_back(&li);
  std::stable_sort(
      logical.begin(), logical.end(),
      [](const LogicalIndex* a, const LogicalIndex* b) { return nameLess(a->name, b->name); });

  Writer w;
  w.u8(kPageTdef);
  w.u8(0x01);
  w.zeros(2);  // free space: per page, set by paginateTdef
  w.zeros(4);  // next page: set by paginateTdef
  w.zeros(4);  // tdef_len: set below
  w.u32(kTdefMagic);
  w.u32(def.rowCount);
  w.u32(def.autoNumber);
  w.u8(0x01);  // auto-number flag: 1 in every file examined
  w.zeros(15);
  w.u8(def.tableType);
  w.u16(def.maxColumns);
  w.u16(def.variableColumns);
  w.u16(Writer::checkedU16(cols.size(), "the column count"));
  w.u32(static_cast<uint32_t>(logical.size()));
  w.u32(static_cast<uint32_t>(def.realIndexes.size()));
  w.u32(def.ownedPages.encode());
  w.u32(def.freePages.encode());
  for (uint32_t count : keyCounts) {
    w.u32(0);
    w.u32(count);
    w.u32(0);
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
      throw Error(u"Table definition: no usage maps for the long-value column " + c->name);
    }
    w.u16(maps->columnNumber);
    w.u32(maps->owned.encode());
    w.u32(maps->free.encode());
  }
  w.u16(kEndOfTdef);
  std::vector<uint8_t>& bytes = w.bytes();
  putU32le(bytes.data() + 8, static_cast<uint32_t>(bytes.size()));
  static_assert(kTdefHeaderSize == 63 && kColumnDescriptorSize == 25 &&
                kRealIndexDescriptorSize == 52 && kLogicalIndexDescriptorSize == 28 &&
                kLongValueMapSize == 10);
  return std::move(bytes);
}

size_t tdefPageCount(size_t logicalLength) {
  if (logicalLength <= kPageSize) return 1;
  const size_t perContinuation = kPageSize - kPageHeaderSize;
  return 1 + (logicalLength - kPageSize + perContinuation - 1) / perContinuation;
}

std::vector<Page> paginateTdef(const std::vector<uint8_t>& logical,
                               const std::vector<uint32_t>& pageNumbers) {
  if (pageNumbers.size() != tdefPageCount(logical.size())) {
    throw Error(u"Table definition: wrong number of pages for its length");
  }
  std::vector<Page> pages(pageNumbers.size());
  size_t taken = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    Page& p = pages[i];
    p.fill(0);
    size_t used;
    if (i == 0) {
      used = std::min<size_t>(logical.size(), kPageSize);
      std::memcpy(p.data(), logical.data(), used);
    } else {
      used =
          kPageHeaderSize + std::min<size_t>(logical.size() - taken, kPageSize - kPageHeaderSize);
      std::memcpy(p.data() + kPageHeaderSize, logical.data() + taken, used - kPageHeaderSize);
    }
    taken += i == 0 ? used : used - kPageHeaderSize;
    p[0] = kPageTdef;
    p[1] = 0x01;
    // Jet counts the free space 8 bytes short of what is really left (0 on a full page).
    const size_t left = kPageSize - used;
    putU16le(p.data() + 2, static_cast<uint16_t>(left > 8 ? left - 8 : 0));
    putU32le(p.data() + 4, i + 1 < pages.size() ? pageNumbers[i + 1] : 0);
  }
  return pages;
}

}  // namespace jet
