// The accessory database "dodatki.mdb" as data: its two tables, their columns (ADO type and
// defined size, in creation order) and keys. The installer's database creation and the tools
// build the file from this one definition.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace accessorydb {

using text::Text;

struct ColumnSchema {
  Text name;
  int32_t type = 0;                    // ADO data type number (jet::AdoType)
  std::optional<int32_t> definedSize;  // none: the column gets no defined size
};

struct TableSchema {
  Text name;
  std::vector<ColumnSchema> columns;  // creation order
  Text primaryKeyName;                // empty: the table has no key
  Text primaryKeyColumn;
};

// info_producent, then Dodatki: the order in which they are created.
const std::vector<TableSchema>& accessoryTables();
// One of them by name; throws text::Error for a name that is not one of them.
const TableSchema& accessoryTable(const Text& name);

}  // namespace accessorydb
