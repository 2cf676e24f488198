#include "accessorydb/jet/create_table_layout.h"

#include <algorithm>

namespace jet {

namespace {

bool isFixedType(ColumnType type) {
  return type != ColumnType::Binary && type != ColumnType::Text && type != ColumnType::Ole &&
         type != ColumnType::Memo;
}

}  // namespace

TableDef layoutTable(const Text& name, uint8_t tableType,
                     const std::vector<ColumnLayout>& columns) {
  TableDef def;
  def.name = name;
  def.tableType = tableType;
  uint16_t fixedOffset = 0;
  for (const ColumnLayout& column : columns) {
    ColumnDef c;
    c.name = column.name;
    c.type = static_cast<uint8_t>(column.type);
    c.number = static_cast<uint16_t>(def.columns.size());
    c.sortOrder = kSortOrderGeneral;
    c.flags = column.flags;
    if (isFixedType(column.type)) {
      c.flags |= kColumnFixed;
      // A fixed column's slot word holds the count of variable columns before it.
      c.varIndex = def.variableColumns;
      c.length = column.type == ColumnType::Boolean ? columndesc::kBooleanLength
                                                    : fixedSizeOf(column.type);
      if (column.type != ColumnType::Boolean) {
        c.fixedOffset = fixedOffset;
        fixedOffset = static_cast<uint16_t>(fixedOffset + c.length);
      }
    } else {
      c.varIndex = def.variableColumns++;
      c.length =
          column.type == ColumnType::Text || column.type == ColumnType::Binary ? column.length : 0;
    }
    def.columns.push_back(c);
  }
  def.maxColumns = static_cast<uint16_t>(def.columns.size());
  return def;
}

size_t maxRowLength(const TableDef& def) {
  size_t fixedArea = 0;
  size_t variableData = 0;
  for (const ColumnDef& c : def.columns) {
    if (c.fixed()) {
      if (!c.is(ColumnType::Boolean))
        fixedArea = std::max<size_t>(fixedArea, c.fixedOffset + c.length);
    } else {
      // A memo or OLE value takes its header in the row, at least.
      variableData += c.isLongValue() ? longvalue::kHeaderSize : c.length;
    }
  }
  const size_t variableTable =
      def.variableColumns > 0 ? rowformat::varTableSize(def.variableColumns) : 0;
  return rowformat::kColumnCountSize + fixedArea + variableData + variableTable +
         rowformat::nullMaskSize(def.maxColumns);
}

}  // namespace jet
