// The Jet 4 row layout: column count, fixed area, variable area, offset table, null mask.
#pragma once

#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"
#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/value.h"

namespace jet {

// Bytes a fixed column of this type takes in the fixed area (0 for Boolean, which lives in
// the null mask); for other types the column's own length.
size_t fixedSize(const ColumnDef& column);

// The value of a column from its stored bytes (fixed-area bytes or variable slot); long values
// are read through `pages`. Throws when the bytes cannot hold the type.
Value decodeValue(PageFile& pages, const ColumnDef& column, ByteView bytes);

// Decodes one row into `values`, one per column of `table` in table order. Columns the row does
// not hold (added after it was written) read as null, Booleans as false.
void decodeRow(PageFile& pages, const TableDef& table, ByteView row, std::vector<Value>& values);

}  // namespace jet
