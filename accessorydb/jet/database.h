// Reading a Jet 4 (.mdb) database: catalog, table definitions and rows in table order.
//
// How the engine's reading layer fits together (bottom up; every layer throws jet::Error, from
// jet/error.h, with the cause when the file is damaged or not Jet 4):
//
//   jet/layout.h      every offset, size and limit of Jet 4's structures, one name each
//                     (page0::, pagehead::, datapage::, tdef::, columndesc::, indexpage::, …).
//   jet/format.h      page/column/flag codes, u16le/u32le/putU32le…, bitAt/setBitAt,
//                     RowPointer (page << 8 | row), requireBytes() bounds check.
//   jet/page_file.h   PageFile: 4096-byte pages over a plat::File with a small cache.
//                     read(n) -> PageRef (shared, stays valid while held), readTyped(n, type, what)
//                     also checks the type byte; write(n, page) / append(page) -> page number for
//                     writers (write-back: pending until commit(); the file must be opened
//                     writable); pageCount().
//   jet/header.h      Header decodeHeader(page0): version, code page, db key, sort order, creation
//                     date, password; maskHeader(page0) toggles the RC4 mask over 0x18..0x97.
//   jet/tdef.h        TableDef readTableDef(PageFile&, tdefPage): the whole TDEF chain decoded:
//                     columns (ColumnDef, sorted by column number = table order), RealIndex
//                     (columns, flags, root page, usage map), LogicalIndex (name, real index,
//                     primary/foreign key), owned/free usage maps, long-value column maps.
//   jet/usage_map.h   readUsageMap(PageFile&, RowPointer) -> ascending page numbers (inline and
//                     reference maps); decodeUsageMap(PageFile&, rowBytes, limit) for page 1.
//   jet/data_page.h   rowCountOf(page, pageNo), rowSlot(page, pageNo, row) -> RowSlot (offset
//                     with its deleted/overflow flags, row bytes); readRow(PageFile&,
//                     RowPointer, what) -> RowRef (the page kept alive + the slot).
//   jet/text_codec.h  decodeText(bytes): UCS-2 LE, with or without Jet 4 compression (FF FE).
//   jet/long_value.h  readLongValue(PageFile&, slot): memo/OLE bytes (inline, one LVAL row, chain).
//   jet/row_decode.h  decodeRow(PageFile&, TableDef, rowBytes, values): one jet::Value per column
//                     in table order (null mask, booleans, fixed and variable areas);
//                     decodeValue(PageFile&, ColumnDef, bytes) for one stored value.
//   jet/file_check.h  checkFile(Database&): header, page census, catalog (mdbtool check).
//
// Database (this file) puts these together:
//
//   jet::Database db;
//   db.open(platform, u"C:\\x\\dodatki.mdb", /*readOnly=*/true);
//   for (const Text& name : db.tableNames()) ...          // user tables, catalog order
//   const TableDef& def = db.table(u"Dodatki");           // any table, name case-insensitive
//   TableScanner rows = db.scan(def);
//   while (rows.next()) {
//     const Value& v = rows.value(u"ID");                  // or rows.values()[i], table order
//     RowPointer where = rows.rowId();                      // page and row of the current row
//   }
//
// db.catalog() lists every MSysObjects row (name, id, type, flags, parent). db.pages() is the
// PageFile for writers; db.commit() writes their pending pages, db.close() commits unless an
// error came first, and destroying an open Database discards what is pending. After changing table
// definitions or the catalog through it, call db.refresh() so that table() and catalog() read them
// again. A TableScanner holds a reference to the TableDef it was given: keep that alive while
// scanning.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/header.h"
#include "accessorydb/jet/page_file.h"
#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/value.h"
#include "platform/platform.h"

namespace jet {

using text::Text;

// One row of MSysObjects.
struct CatalogEntry {
  Text name;
  int32_t id = 0;
  int32_t parentId = 0;
  int16_t type = 0;
  uint32_t flags = 0;

  // The TDEF page of a table (its id without the high flag byte).
  uint32_t tdefPage() const { return static_cast<uint32_t>(id) & kPageNumberMask; }
  bool isTable() const { return (type & catalog::kTypeMask) == catalog::kTypeTable; }
  bool isUserTable() const {
    return isTable() && (flags & (catalog::kSystemObjectFlag | catalog::kHiddenObjectFlag)) == 0;
  }
};

// Rows of one table in table order: data pages in ascending page order (from the table's
// owned-pages map), rows in offset-table order; deleted rows and moved-row targets are skipped,
// overflow pointers are followed to the moved row.
class TableScanner {
 public:
  TableScanner(PageFile& pages, const TableDef& table);

  // Moves to the next row; false when there is none.
  bool next();
  // Makes the row at a position() of this table current, as next() would have reached it; the
  // scan goes on from there. Throws Error when no row of the table is at that position.
  void seek(RowPointer position);
  // The current row's values, one per column in table order.
  const std::vector<Value>& values() const { return values_; }
  // The current row's value of a column (case-insensitive name); throws for an unknown column.
  const Value& value(const Text& column) const;
  // Where the current row's data lies (the moved row for an overflow pointer).
  RowPointer rowId() const { return rowId_; }
  // The current row's place in table order: for a moved row, its overflow pointer's own slot,
  // which is what index entries name.
  RowPointer position() const { return position_; }

 private:
  // The data page at pageIndex_, checked to belong to the table.
  void loadPage();

  PageFile& pages_;
  const TableDef& table_;
  std::vector<uint32_t> dataPages_;
  size_t pageIndex_ = 0;
  int nextRow_ = 0;
  PageRef page_;
  std::vector<Value> values_;
  RowPointer rowId_;
  RowPointer position_;
};

class Database {
 public:
  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens the file and checks its header; throws Error (also for a plat::FileError's cause).
  void open(plat::Platform& fs, const Text& path, bool readOnly);
  // The same over a file already open (read-write unless readOnly).
  void open(std::unique_ptr<plat::File> file, bool readOnly);
  // Writes the pending pages out; throws Error with the cause.
  void commit();
  // Commits (unless an error came first) and closes; false when pending pages were discarded
  // (pages().failure() said why before the close). Never throws.
  bool close() noexcept;
  bool isOpen() const { return pages_ != nullptr; }

  const Header& header() const;
  PageFile& pages();

  // Every MSysObjects row, in table order.
  const std::vector<CatalogEntry>& catalog();
  // Names of the user tables, in catalog order.
  std::vector<Text> tableNames();
  // The definition of a user or system table; throws when there is no such table.
  const TableDef& table(const Text& name);
  TableScanner scan(const TableDef& def) { return TableScanner(pages(), def); }
  // Forgets the catalog and table definitions read so far.
  void refresh();

 private:
  std::unique_ptr<PageFile> pages_;
  Header header_;
  std::optional<std::vector<CatalogEntry>> catalog_;
  std::map<uint32_t, std::unique_ptr<TableDef>> tables_;  // by TDEF page
};

}  // namespace jet
