#include "accessorydb/jet/row_decode.h"

#include "accessorydb/jet/long_value.h"
#include "accessorydb/jet/text_codec.h"

namespace jet {

namespace {

Error damagedRow(const Text& what) {
  return Error(ErrorKind::Damaged, u"Damaged row: " + what);
}

void requireSize(const ColumnDef& column, ByteView bytes, size_t size) {
  if (bytes.size() < size) {
    throw damagedRow(u"column " + column.name + u" holds " +
                     text::num(static_cast<int64_t>(bytes.size())) + u" bytes, its type needs " +
                     text::num(static_cast<int64_t>(size)));
  }
}

Decimal decodeDecimal(const ColumnDef& column, ByteView bytes) {
  Decimal d;
  d.negative = (bytes[decimal::kSignOffset] & decimal::kNegative) != 0;
  d.precision = column.precision;
  d.scale = column.scale;
  const auto word = [&](size_t i) {  // i = 0: the most significant
    return u32le(bytes.data() + decimal::kWordsOffset + decimal::kWordSize * i);
  };
  if (word(0) != 0) throw damagedRow(u"decimal column " + column.name + u" exceeds 96 bits");
  for (size_t i = 1; i < decimal::kWords; ++i) d.magnitude[decimal::kWords - 1 - i] = word(i);
  return d;
}

}  // namespace

size_t fixedSize(const ColumnDef& column) {
  const auto type = static_cast<ColumnType>(column.type);
  const uint16_t size = fixedSizeOf(type);
  return size != 0 || type == ColumnType::Boolean ? size : column.length;
}

Value decodeValue(PageFile& pages, const ColumnDef& column, ByteView bytes) {
  const auto type = static_cast<ColumnType>(column.type);
  if (type != ColumnType::Text && type != ColumnType::Memo && type != ColumnType::Ole &&
      type != ColumnType::Binary) {
    requireSize(column, bytes, fixedSize(column));
  }
  const uint8_t* p = bytes.data();
  switch (type) {
    case ColumnType::Boolean:
      return true;  // only reached for a present Boolean stored outside the null mask
    case ColumnType::Byte:
      return p[0];
    case ColumnType::Integer:
      return i16le(p);
    case ColumnType::Long:
      return i32le(p);
    case ColumnType::Currency:
      return Currency{i64le(p)};
    case ColumnType::Single:
      return f32le(p);
    case ColumnType::Double:
      return f64le(p);
    case ColumnType::DateTime:
      return DateTime{f64le(p)};
    case ColumnType::Guid: {
      Guid g;
      std::copy(p, p + fixedSizeOf(ColumnType::Guid), g.bytes.begin());
      return g;
    }
    case ColumnType::Decimal:
      return decodeDecimal(column, bytes);
    case ColumnType::Text:
      return decodeText(bytes);
    case ColumnType::Memo: {
      const Bytes stored = readLongValue(pages, bytes);
      return decodeText(stored);
    }
    case ColumnType::Ole:
      return readLongValue(pages, bytes);
    default:  // Binary and codes this engine does not interpret: the stored bytes
      return Bytes(bytes.begin(), bytes.end());
  }
}

void decodeRow(PageFile& pages, const TableDef& table, ByteView row, std::vector<Value>& values) {
  // Values of the previous row are overwritten, texts in their own storage.
  values.resize(table.columns.size());
  requireBytes(row, 0, rowformat::kColumnCountSize, "row");
  const size_t rowColumns = u16le(row.data());
  const size_t maskSize = rowformat::nullMaskSize(rowColumns);
  requireBytes(row, 0, rowformat::kColumnCountSize + maskSize, "row null mask");
  const uint8_t* mask = row.data() + row.size() - maskSize;
  const size_t maskStart = row.size() - maskSize;

  // The variable area's offset table sits just before the null mask, last entry first:
  // [end of data][offset n-1]...[offset 0][count n][null mask]. Values end before dataEnd.
  constexpr size_t kEntry = rowformat::kVarEntrySize;
  size_t varCount = 0;
  size_t varTableEnd = maskStart;
  size_t dataEnd = maskStart;
  if (table.variableColumns > 0) {
    if (maskStart < rowformat::kColumnCountSize + kEntry) {
      throw damagedRow(u"no room for its variable column count");
    }
    varCount = u16le(row.data() + maskStart - kEntry);
    varTableEnd = maskStart - kEntry;
    if (rowformat::kColumnCountSize + kEntry * (varCount + 1) > varTableEnd) {
      throw damagedRow(u"its variable offset table (" + text::num(static_cast<int64_t>(varCount)) +
                       u" entries) does not fit its " +
                       text::num(static_cast<int64_t>(row.size())) + u" bytes");
    }
    dataEnd = varTableEnd - kEntry * (varCount + 1);
  }
  auto varOffset = [&](size_t k) -> size_t {  // k == varCount gives the end of variable data
    return u16le(row.data() + varTableEnd - kEntry * (k + 1));
  };

  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDef& c = table.columns[i];
    Value& value = values[i];
    if (c.number >= rowColumns) {
      value = c.is(ColumnType::Boolean) ? Value(false) : Value(Null{});
      continue;
    }
    const bool present = bitAt(mask, c.number);
    if (c.is(ColumnType::Boolean)) {
      value = present;
      continue;
    }
    if (!present) {
      value = Null{};
      continue;
    }
    if (c.fixed()) {
      const size_t start = rowformat::kFixedAreaOffset + size_t{c.fixedOffset};
      const size_t size = fixedSize(c);
      if (start + size > dataEnd) {
        throw damagedRow(u"fixed column " + c.name + u" lies outside the fixed area");
      }
      value = decodeValue(pages, c, row.subspan(start, size));
      continue;
    }
    if (c.varIndex >= varCount) {  // written before the column existed
      value = Null{};
      continue;
    }
    const size_t start = varOffset(c.varIndex);
    const size_t end = varOffset(c.varIndex + 1);
    if (start > end || end > dataEnd || start < rowformat::kFixedAreaOffset) {
      throw damagedRow(u"variable column " + c.name + u" has impossible bounds " +
                       text::num(static_cast<int64_t>(start)) + u".." +
                       text::num(static_cast<int64_t>(end)));
    }
    const ByteView bytes = row.subspan(start, end - start);
    if (c.is(ColumnType::Text)) {
      if (!std::holds_alternative<Text>(value)) value = Text();
      decodeText(bytes, std::get<Text>(value));
    } else {
      value = decodeValue(pages, c, bytes);
    }
  }
}

}  // namespace jet
