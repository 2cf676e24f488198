// Building Jet 4 rows from values: the inverse of row_decode.h.
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/value.h"

namespace jet {

// Stored form of a text in a column with the compression flag: Jet 4 unicode compression
// (FF FE, one byte a character) when every character lies in U+0001..U+00FF, the text has at
// most 1024 characters and compression makes it shorter; plain UCS-2 LE otherwise. Columns
// without the flag (every column this engine creates) store all text plainly, as Jet does.
std::vector<uint8_t> encodeCompressibleText(std::u16string_view s);

// The value converted to what the column stores (integers of another width within range, a
// whole double for an integer column, a null Boolean as No). Throws Error naming the column
// when the value cannot be stored: wrong kind, out of range, text or bytes too long.
Value coerceValue(const ColumnDef& column, Value v);
// The same in place; a value the column stores as it is (text, a Long, a Boolean) is left where
// it is, keeping its storage.
void coerceInPlace(const ColumnDef& column, Value& v);

// The row bytes for `values` (one per column in table order, already coerced). Throws Error
// when the row is longer than kMaxRowSize or a column type cannot be written (memo and OLE
// values other than null).
std::vector<uint8_t> encodeRow(const TableDef& table, const std::vector<Value>& values);
// The same into `row`, whose storage is reused (rows written one after another).
void encodeRow(const TableDef& table, const std::vector<Value>& values, std::vector<uint8_t>& row);

}  // namespace jet
