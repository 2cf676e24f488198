// Building Jet 4 rows from values: the inverse of row_decode.h.
#pragma once

#include <cstdint>
#include <utility>
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

// Rows of one table, written one after another: the row's layout is worked out once and the
// storage of what a row needs on the way is kept.
class RowEncoder {
 public:
  // `table` must outlive the encoder; its columns must not change.
  explicit RowEncoder(const TableDef& table);

  // The row bytes for `values` (one per column in table order, already coerced) into `row`,
  // replacing its bytes. Throws Error when the row is longer than kMaxRowSize or a column type
  // cannot be written (memo and OLE values other than null).
  void encode(const std::vector<Value>& values, std::vector<uint8_t>& row);

 private:
  const TableDef& table_;
  size_t fixedEnd_ = 0;     // where the fixed area ends, past its two-byte column count
  size_t columnCount_ = 0;  // the count the row starts with, which sizes its null mask
  // The present variable values with their columns, by variable slot.
  std::vector<std::pair<const ColumnDef*, const Value*>> varValues_;
  std::vector<uint16_t> varOffsets_;
  std::vector<uint8_t> nullMask_;
};

// The row bytes for `values`, as RowEncoder::encode gives them.
std::vector<uint8_t> encodeRow(const TableDef& table, const std::vector<Value>& values);

}  // namespace jet
