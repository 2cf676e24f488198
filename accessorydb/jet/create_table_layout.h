// Laying out a new table's columns: column numbers, variable slots and fixed offsets.
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/tdef.h"

namespace jet {

struct ColumnLayout {
  Text name;
  ColumnType type = ColumnType::Text;
  uint16_t length = 0;  // bytes, for Text (2 per character) and Binary; ignored otherwise
  uint8_t flags = kColumnUpdatable;  // kColumnFixed is added for fixed-size types
};

// Columns numbered in the given order; fixed columns placed one after another in the fixed area
// (Booleans take no bytes and get offset 0); variable columns given their slots in order; every
// column stamped with the "General" sort order, as Jet does. Indexes and maps are left empty.
TableDef layoutTable(const Text& name, uint8_t tableType, const std::vector<ColumnLayout>& columns);

// The longest row the table's columns can make (every value present at its maximum length).
size_t maxRowLength(const TableDef& def);

}  // namespace jet
