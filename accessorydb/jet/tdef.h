// Table definitions (TDEF pages): columns, real and logical indexes, usage maps.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

using text::Text;

struct ColumnDef {
  Text name;
  uint8_t type = 0;          // a ColumnType value, or an unknown code read as raw bytes
  uint16_t number = 0;       // bit in the null mask; keeps gaps left by deleted columns
  uint16_t varIndex = 0;     // slot in the row's variable offset table (variable columns)
  uint16_t fixedOffset = 0;  // offset in the fixed area (fixed columns)
  uint16_t length = 0;       // fixed size, or maximum bytes of Text/Binary (2 per character)
  uint8_t flags = 0;         // kColumn* flags
  uint8_t extraFlags = 0;    // kColumnCompressedUnicode
  uint16_t sortOrder = 0;    // text collation
  uint8_t precision = 0;     // Decimal
  uint8_t scale = 0;         // Decimal

  bool is(ColumnType t) const { return type == static_cast<uint8_t>(t); }
  bool fixed() const { return (flags & kColumnFixed) != 0; }
  bool isLongValue() const { return is(ColumnType::Memo) || is(ColumnType::Ole); }
};

struct IndexColumn {
  uint16_t columnNumber = 0;
  bool ascending = true;
  bool operator==(const IndexColumn&) const = default;
};

// The physical B-tree behind one or more logical indexes.
struct RealIndex {
  std::vector<IndexColumn> columns;
  RowPointer usageMap;     // lists every page of the index
  uint32_t firstPage = 0;  // root page
  uint8_t flags = 0;       // kIndex* flags
  bool unique() const { return (flags & kIndexUnique) != 0; }
  bool ignoreNulls() const { return (flags & kIndexIgnoreNulls) != 0; }
  bool required() const { return (flags & kIndexRequired) != 0; }
};

// A named index as users see it; several may share one real index.
struct LogicalIndex {
  Text name;
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t type = kIndexTypeNormal;  // kIndexType* value
  uint32_t relatedIndex = 0xFFFFFFFF;
  uint32_t relatedTable = 0;
  bool primaryKey() const { return type == kIndexTypePrimaryKey; }
  bool foreignKey() const { return type == kIndexTypeForeignKey; }
};

// Usage maps of the long-value (LVAL) pages of one memo/OLE column.
struct LongValueMaps {
  uint16_t columnNumber = 0;
  RowPointer owned;
  RowPointer free;
};

struct TableDef {
  Text name;                    // from the catalog; empty when read by page alone
  std::vector<uint32_t> pages;  // the TDEF chain, first page first
  uint32_t rowCount = 0;        // as stored; may disagree with the rows found
  uint32_t autoNumber = 0;
  uint8_t tableType = 0;    // 'S' core system table, 'N' other
  uint16_t maxColumns = 0;  // columns a row holds, deleted ones included
  uint16_t variableColumns = 0;
  std::vector<ColumnDef> columns;  // table order (ascending column number)
  std::vector<RealIndex> realIndexes;
  std::vector<LogicalIndex> indexes;  // in stored order (sorted by name)
  RowPointer ownedPages;
  RowPointer freePages;
  std::vector<LongValueMaps> longValueMaps;

  uint32_t page() const { return pages.front(); }
  // Position of a column in table order (name case-insensitive), or nothing.
  std::optional<size_t> columnIndex(const Text& name) const;
  // The column with this column number, or nullptr.
  const ColumnDef* columnByNumber(uint16_t number) const;
};

// The logical TDEF: the chain's pages concatenated (the first page whole, later ones without
// their 8-byte headers), cut at tdef_len. `chain` receives the pages visited.
std::vector<uint8_t> readTdefBytes(PageFile& pages, uint32_t firstPage,
                                   std::vector<uint32_t>& chain);
// Decodes a logical TDEF; every count and length is checked against the bytes.
TableDef parseTableDef(ByteView tdef);
// Both together.
TableDef readTableDef(PageFile& pages, uint32_t firstPage);

}  // namespace jet
