#include "accessorydb/jet/tdef.h"

#include <algorithm>
#include <unordered_set>

#include "accessorydb/jet/text_codec.h"

namespace jet {

namespace {

constexpr size_t kTdefLenOffset = 8;
constexpr size_t kTdefHeaderSize = 63;
constexpr size_t kTdefPageHeaderSize = 8;
constexpr size_t kRealIndexStatsSize = 12;
constexpr size_t kColumnDescSize = 25;
constexpr size_t kRealIndexDescSize = 52;
constexpr size_t kLogicalIndexDescSize = 28;
constexpr size_t kLongValueMapSize = 10;
constexpr size_t kIndexColumnSlots = 10;
constexpr uint16_t kUnusedIndexColumn = 0xFFFF;
constexpr uint16_t kTdefEnd = 0xFFFF;
// A TDEF holds at most 255 columns and a few dozen indexes; anything far beyond is damage.
constexpr uint32_t kMaxTdefLength = 64 * kPageSize;
constexpr uint32_t kMaxIndexes = 1000;

Error damaged(const Text& what) {
  return Error(u"Damaged table definition: " + what);
}

// Sequential reader over the logical TDEF with bounds checks.
class Cursor {
 public:
  explicit Cursor(ByteView bytes) : bytes_(bytes) {}
  const uint8_t* take(size_t n, const char* what) {
    requireBytes(bytes_, pos_, n, what);
    const uint8_t* p = bytes_.data() + pos_;
    pos_ += n;
    return p;
  }
  Text name(const char* what) {
    const uint16_t len = u16le(take(2, what));
    if (len % 2 != 0) throw damaged(text::fromUtf8(what) + u" has an odd byte length");
    return decodeText(ByteView(take(len, what), len));
  }

 private:
  ByteView bytes_;
  size_t pos_ = kTdefHeaderSize;
};

ColumnDef parseColumn(const uint8_t* d) {
  if (u32le(d + 1) != kTdefMagic) throw damaged(u"bad column descriptor");
  ColumnDef c;
  c.type = d[0];
  c.number = u16le(d + 5);
  c.varIndex = u16le(d + 7);
  if (c.is(ColumnType::Decimal)) {
    c.precision = d[11];
    c.scale = d[12];
  } else {
    c.sortOrder = u16le(d + 11);
  }
  c.flags = d[15];
  c.extraFlags = d[16];
  c.fixedOffset = u16le(d + 21);
  c.length = u16le(d + 23);
  return c;
}

RealIndex parseRealIndex(const uint8_t* d) {
  RealIndex r;
  for (size_t i = 0; i < kIndexColumnSlots; ++i) {
    const uint8_t* slot = d + 4 + 3 * i;
    const uint16_t column = u16le(slot);
    if (column != kUnusedIndexColumn) r.columns.push_back({column, slot[2] != 0});
  }
  r.usageMap = RowPointer::decode(u32le(d + 34));
  r.firstPage = u32le(d + 38);
  r.flags = d[46];
  return r;
}

LogicalIndex parseLogicalIndex(const uint8_t* d) {
  LogicalIndex l;
  l.number = u32le(d + 4);
  l.realIndex = u32le(d + 8);
  l.relatedIndex = u32le(d + 13);
  l.relatedTable = u32le(d + 17);
  l.type = d[23];
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
      length = u32le(p->data() + kTdefLenOffset);
      if (u32le(p->data() + 12) != kTdefMagic) {
        throw damaged(u"page " + text::num(page) + u" has no TDEF signature");
      }
      if (length < kTdefHeaderSize || length > kMaxTdefLength) {
        throw damaged(u"impossible length " + text::num(length) + u" on page " + text::num(page));
      }
      bytes.assign(p->begin(), p->end());
    } else {
      bytes.insert(bytes.end(), p->begin() + kTdefPageHeaderSize, p->end());
    }
    if (bytes.size() >= length) break;
    page = u32le(p->data() + 4);
    if (page == 0) {
      throw damaged(u"the TDEF of page " + text::num(firstPage) + u" ends before its length " +
                    text::num(length));
    }
  }
  bytes.resize(length);
  return bytes;
}

TableDef parseTableDef(ByteView tdef) {
  requireBytes(tdef, 0, kTdefHeaderSize, "table definition header");
  const uint8_t* h = tdef.data();
  TableDef t;
  t.rowCount = u32le(h + 16);
  t.autoNumber = u32le(h + 20);
  t.tableType = h[40];
  t.maxColumns = u16le(h + 41);
  t.variableColumns = u16le(h + 43);
  const uint16_t columnCount = u16le(h + 45);
  const uint32_t logicalCount = u32le(h + 47);
  const uint32_t realCount = u32le(h + 51);
  t.ownedPages = RowPointer::decode(u32le(h + 55));
  t.freePages = RowPointer::decode(u32le(h + 59));
  if (logicalCount > kMaxIndexes || realCount > kMaxIndexes) {
    throw damaged(u"impossible index count");
  }
  if (columnCount > t.maxColumns) {
    throw damaged(u"more columns (" + text::num(columnCount) + u") than the row count allows (" +
                  text::num(t.maxColumns) + u")");
  }

  Cursor in(tdef);
  in.take(kRealIndexStatsSize * realCount, "real-index statistics");
  for (uint16_t i = 0; i < columnCount; ++i) {
    t.columns.push_back(parseColumn(in.take(kColumnDescSize, "column descriptors")));
  }
  for (ColumnDef& c : t.columns) c.name = in.name("column names");
  for (uint32_t i = 0; i < realCount; ++i) {
    const uint8_t* d = in.take(kRealIndexDescSize, "real-index descriptors");
    t.realIndexes.push_back(parseRealIndex(d));
  }
  for (uint32_t i = 0; i < logicalCount; ++i) {
    t.indexes.push_back(parseLogicalIndex(in.take(kLogicalIndexDescSize, "logical indexes")));
  }
  for (LogicalIndex& l : t.indexes) {
    l.name = in.name("index names");
    if (l.realIndex >= realCount) {
      throw damaged(u"index " + l.name + u" names real index " + text::num(l.realIndex) + u" of " +
                    text::num(realCount));
    }
  }
  while (true) {
    const uint16_t column = u16le(in.take(2, "long-value column maps"));
    if (column == kTdefEnd) break;
    const uint8_t* d = in.take(kLongValueMapSize - 2, "long-value column maps");
    t.longValueMaps.push_back(
        {column, RowPointer::decode(u32le(d)), RowPointer::decode(u32le(d + 4))});
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
