// A new Jet 4 database built page by page in memory: the empty database Jet makes (header,
// global usage map, the four system tables with their catalog and permission rows), then user
// tables added one by one with their TDEF, usage maps, primary-key index and catalog rows.
//
// The system tables' pages are rebuilt in full from their rows after every change, which is
// right as long as nobody else has written to the file; user table pages, once made, are never
// rewritten. The catalog's indexes must each fit one leaf page (about 90 tables).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "accessorydb/jet/create_system_tables.h"
#include "accessorydb/jet/page_file.h"
#include "accessorydb/jet/tdef.h"

namespace jet {

struct NewColumn {
  Text name;
  ColumnType type = ColumnType::Text;
  uint16_t maxChars = 0;  // Text only: 1..255
};

struct NewTable {
  Text name;
  std::vector<NewColumn> columns;  // in table order
  bool hasPrimaryKey = false;
  Text primaryKeyName;
  Text primaryKeyColumn;
};

class NewDatabase {
 public:
  // An empty database created at the given time (days since 1899-12-30).
  explicit NewDatabase(double createdDays);

  uint32_t pageCount() const { return static_cast<uint32_t>(pages_.size()); }
  const Page& page(uint32_t n) const { return pages_.at(n); }

  // Adds a table made at `now`; returns the numbers of the pages it changed or added, ascending.
  // Throws Error, leaving the database unchanged, for a definition Jet would refuse.
  std::vector<uint32_t> addTable(const NewTable& table, double now);

 private:
  struct SystemTable {
    TableDef def;
    uint32_t tdefPage = 0;
    std::vector<std::vector<Value>> rows;
    std::vector<uint32_t> dataPages;
  };
  enum { kObjects, kAces, kQueries, kRelationships };

  uint32_t allocatePage();
  void addCatalogRows(const NewTable& table, uint32_t tdefPage, double now);
  uint32_t addUserTablePages(const NewTable& table);
  void renderSystemPages();

  uint32_t sidKey_ = 0;
  std::vector<Page> pages_;
  std::array<SystemTable, 4> system_;
  uint32_t systemMapPage_ = 0;
};

}  // namespace jet
