#include "accessorydb/jet/tdef.h"

#include <algorithm>
#include <unordered_set>

#include "accessorydb/jet/text_codec.h"

namespace jet {

namespace {

Error damaged(const Text& what) {
  return Error(ErrorKind::Damaged, u"Damaged table definition: " + what);
}

// Sequential reader over the logical TDEF with bounds checks.
class Cursor {
 public:
  explicit Cursor(ByteView bytes) : bytes_(bytes) {}
  const uint8_t* peek(size_t n, const char* what) const {
    requireBytes(bytes_, pos_, n, what);
    return bytes_.data() + pos_;
  }
  const uint8_t* take(size_t n, const char* what) {
    const uint8_t* p = peek(n, what);
    pos_ += n;
    return p;
  }
  Text name(const char* what) {
    const uint16_t len = u16le(take(sizeof(uint16_t), what));
    if (len % kTextCharSize != 0) {
      throw damaged(text::fromUtf8(what) + u" has an odd byte length");
    }
    return decodeText(ByteView(take(len, what), len));
  }

 private:
  ByteView bytes_;
  size_t pos_ = tdef::kHeaderSize;
};

ColumnDef parseColumn(const uint8_t* d) {
  if (u32le(d + columndesc::kMagicOffset) != kTdefMagic) {
    throw damaged(u"bad column descriptor");
  }
  ColumnDef c;
  c.type = d[columndesc::kTypeOffset];
  c.number = u16le(d + columndesc::kNumberOffset);
  c.varIndex = u16le(d + columndesc::kVarIndexOffset);
  if (c.is(ColumnType::Decimal)) {
    c.precision = d[columndesc::kPrecisionOffset];
    c.scale = d[columndesc::kScaleOffset];
  } else {
    c.sortOrder = u16le(d + columndesc::kSortOrderOffset);
  }
  c.flags = d[columndesc::kFlagsOffset];
  c.extraFlags = d[columndesc::kExtraFlagsOffset];
  c.fixedOffset = u16le(d + columndesc::kFixedPositionOffset);
  c.length = u16le(d + columndesc::kLengthOffset);
  return c;
}

RealIndex parseRealIndex(const uint8_t* d) {
  RealIndex r;
  for (size_t i = 0; i < realindexdesc::kColumnSlots; ++i) {
    const uint8_t* slot =
        d + realindexdesc::kColumnSlotsOffset + realindexdesc::kColumnSlotSize * i;
    const uint16_t column = u16le(slot);
    if (column != realindexdesc::kUnusedSlot) {
      r.columns.push_back({column, slot[realindexdesc::kColumnOrderOffset] != 0});
    }
  }
  r.usageMap = RowPointer::decode(u32le(d + realindexdesc::kUsageMapOffset));
  r.firstPage = u32le(d + realindexdesc::kFirstPageOffset);
  r.flags = d[realindexdesc::kFlagsOffset];
  return r;
}

LogicalIndex parseLogicalIndex(const uint8_t* d) {
  LogicalIndex l;
  l.number = u32le(d + logicalindexdesc::kNumberOffset);
  l.realIndex = u32le(d + logicalindexdesc::kRealIndexOffset);
  l.relatedIndex = u32le(d + logicalindexdesc::kRelatedIndexOffset);
  l.relatedTable = u32le(d + logicalindexdesc::kRelatedTableOffset);
  l.type = d[logicalindexdesc::kTypeOffset];
  return l;
}

}  // namespace

std::optional<size_t> TableDef::columnIndex(const Text& name) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (text::equalsIgnoreAsciiCase(columns[i].name, name)) return i;
  }
  return std::nullopt;
}

const ColumnDef* TableDef::columnByNumber(uint16_t number) const {
  for (const ColumnDef& c : columns) {
    if (c.number == number) return &c;
  }
  return nullptr;
}

std::vector<uint8_t> readTdefBytes(PageFile& pages, uint32_t firstPage,
                                   std::vector<uint32_t>& chain) {
  chain.clear();
  std::unordered_set<uint32_t> seen;
  std::vector<uint8_t> bytes;
  uint32_t length = 0;
  for (uint32_t page = firstPage; page != 0;) {
    if (!seen.insert(page).second) {
      throw damaged(u"the TDEF page chain of page " + text::num(firstPage) + u" loops at page " +
                    text::num(page));
    }
    const PageRef p = pages.readTyped(page, kPageTdef, "a table definition");
    chain.push_back(page);
    if (bytes.empty()) {
      length = u32le(p->data() + tdef::kLengthOffset);
      if (u32le(p->data() + tdef::kMagicOffset) != kTdefMagic) {
        throw damaged(u"page " + text::num(page) + u" has no TDEF signature");
      }
      if (length < tdef::kHeaderSize || length > tdef::kMaxLength) {
        throw damaged(u"impossible length " + text::num(length) + u" on page " + text::num(page));
      }
      bytes.assign(p->begin(), p->end());
    } else {
      bytes.insert(bytes.end(), p->begin() + tdef::kContinuationHeaderSize, p->end());
    }
    if (bytes.size() >= length) break;
    page = u32le(p->data() + tdef::kNextPageOffset);
    if (page == 0) {
      throw damaged(u"the TDEF of page " + text::num(firstPage) + u" ends before its length " +
                    text::num(length));
    }
  }
  bytes.resize(length);
  return bytes;
}

TableDef parseTableDef(ByteView bytes) {
  requireBytes(bytes, 0, tdef::kHeaderSize, "table definition header");
  const uint8_t* h = bytes.data();
  TableDef t;
  t.rowCount = u32le(h + tdef::kRowCountOffset);
  t.autoNumber = u32le(h + tdef::kAutoNumberOffset);
  t.tableType = h[tdef::kTableTypeOffset];
  t.maxColumns = u16le(h + tdef::kMaxColumnsOffset);
  t.variableColumns = u16le(h + tdef::kVariableColumnsOffset);
  const uint16_t columnCount = u16le(h + tdef::kColumnCountOffset);
  const uint32_t logicalCount = u32le(h + tdef::kLogicalIndexCountOffset);
  const uint32_t realCount = u32le(h + tdef::kRealIndexCountOffset);
  t.ownedPages = RowPointer::decode(u32le(h + tdef::kOwnedPagesOffset));
  t.freePages = RowPointer::decode(u32le(h + tdef::kFreePagesOffset));
  if (logicalCount > tdef::kMaxIndexes || realCount > tdef::kMaxIndexes) {
    throw damaged(u"impossible index count");
  }
  if (columnCount > t.maxColumns) {
    throw damaged(u"more columns (" + text::num(columnCount) + u") than the row count allows (" +
                  text::num(t.maxColumns) + u")");
  }

  Cursor in(bytes);
  in.take(tdef::kIndexStatsSize * realCount, "real-index statistics");
  for (uint16_t i = 0; i < columnCount; ++i) {
    t.columns.push_back(parseColumn(in.take(columndesc::kSize, "column descriptors")));
  }
  for (ColumnDef& c : t.columns) c.name = in.name("column names");
  for (uint32_t i = 0; i < realCount; ++i) {
    const uint8_t* d = in.take(realindexdesc::kSize, "real-index descriptors");
    t.realIndexes.push_back(parseRealIndex(d));
  }
  for (uint32_t i = 0; i < logicalCount; ++i) {
    t.indexes.push_back(parseLogicalIndex(in.take(logicalindexdesc::kSize, "logical indexes")));
  }
  for (LogicalIndex& l : t.indexes) {
    l.name = in.name("index names");
    if (l.realIndex >= realCount) {
      throw damaged(u"index " + l.name + u" names real index " + text::num(l.realIndex) + u" of " +
                    text::num(realCount));
    }
  }
  while (u16le(in.peek(sizeof(uint16_t), "long-value column maps")) != tdef::kEnd) {
    const uint8_t* d = in.take(tdef::kLongValueMapSize, "long-value column maps");
    t.longValueMaps.push_back({u16le(d),
                               RowPointer::decode(u32le(d + tdef::kLongValueMapOwnedOffset)),
                               RowPointer::decode(u32le(d + tdef::kLongValueMapFreeOffset))});
  }

  std::sort(t.columns.begin(), t.columns.end(),
            [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const ColumnDef& c = t.columns[i];
    if (c.number >= t.maxColumns) {
      throw damaged(u"column " + c.name + u" has number " + text::num(c.number) +
                    u" beyond the row's " + text::num(t.maxColumns) + u" columns");
    }
    if (i > 0 && t.columns[i - 1].number == c.number) {
      throw damaged(u"two columns share number " + text::num(c.number));
    }
  }
  for (const RealIndex& r : t.realIndexes) {
    for (const IndexColumn& ic : r.columns) {
      if (!t.columnByNumber(ic.columnNumber)) {
        throw damaged(u"an index names the missing column " + text::num(ic.columnNumber));
      }
    }
  }
  return t;
}

TableDef readTableDef(PageFile& pages, uint32_t firstPage) {
  std::vector<uint32_t> chain;
  const std::vector<uint8_t> bytes = readTdefBytes(pages, firstPage, chain);
  TableDef t = parseTableDef(bytes);
  t.pages = std::move(chain);
  return t;
}

}  // namespace jet
