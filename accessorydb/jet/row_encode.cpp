#include "accessorydb/jet/row_encode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "accessorydb/jet/row_decode.h"

namespace jet {

namespace {

Text named(const ColumnDef& column) {
  return u"column " + column.name;
}

// Whole number held by a numeric value, if any.
std::optional<int64_t> wholeNumber(const Value& v) {
  if (auto* b = std::get_if<uint8_t>(&v)) return *b;
  if (auto* s = std::get_if<int16_t>(&v)) return *s;
  if (auto* l = std::get_if<int32_t>(&v)) return *l;
  const double* d = std::get_if<double>(&v);
  if (!d && std::holds_alternative<float>(v)) return wholeNumber(double{std::get<float>(v)});
  if (d && std::isfinite(*d) && std::trunc(*d) == *d && std::fabs(*d) < 9.2e18) {
    return static_cast<int64_t>(*d);
  }
  return std::nullopt;
}

std::optional<double> realNumber(const Value& v) {
  if (auto* d = std::get_if<double>(&v)) return *d;
  if (auto* f = std::get_if<float>(&v)) return *f;
  if (auto n = wholeNumber(v)) return static_cast<double>(*n);
  return std::nullopt;
}

template <typename T>
T integerFor(const ColumnDef& column, const Value& v) {
  const std::optional<int64_t> n = wholeNumber(v);
  if (!n)
    throw Error(ErrorKind::BadValue, u"The value for " + named(column) + u" is not a whole number",
                {.column = column.name});
  if (*n < std::numeric_limits<T>::min() || *n > std::numeric_limits<T>::max()) {
    throw Error(ErrorKind::OutOfRange,
                u"The value " + text::num(*n) + u" is out of range for " + named(column),
                {.column = column.name});
  }
  return static_cast<T>(*n);
}

void putFixed(uint8_t* p, const ColumnDef& column, const Value& v) {
  switch (static_cast<ColumnType>(column.type)) {
    case ColumnType::Byte:
      *p = std::get<uint8_t>(v);
      break;
    case ColumnType::Integer:
      putU16le(p, static_cast<uint16_t>(std::get<int16_t>(v)));
      break;
    case ColumnType::Long:
      putU32le(p, static_cast<uint32_t>(std::get<int32_t>(v)));
      break;
    case ColumnType::Currency:
      putU64le(p, static_cast<uint64_t>(std::get<Currency>(v).units));
      break;
    case ColumnType::Single: {
      const float f = std::get<float>(v);
      uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      putU32le(p, bits);
      break;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      const double d =
          column.is(ColumnType::Double) ? std::get<double>(v) : std::get<DateTime>(v).days;
      uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      putU64le(p, bits);
      break;
    }
    case ColumnType::Guid: {
      const Guid& g = std::get<Guid>(v);
      std::copy(g.bytes.begin(), g.bytes.end(), p);
      break;
    }
    case ColumnType::Text: {
      // Fixed-length text: UCS-2, padded with spaces as a CHAR column is.
      const std::u16string& s = std::get<std::u16string>(v);
      for (size_t i = 0; i < column.length / kTextCharSize; ++i) {
        putU16le(p + kTextCharSize * i, i < s.size() ? s[i] : u' ');
      }
      break;
    }
    default:
      throw Error(
          ErrorKind::Unsupported,
          u"Cannot write values of type " + text::num(column.type) + u" (" + named(column) + u")",
          {.column = column.name});
  }
}

// Text as stored: compressed when the column asks for it and that pays, else UCS-2 LE.
void appendText(std::vector<uint8_t>& out, std::u16string_view s, bool allowCompression) {
  constexpr size_t kFewestCompressedChars = 3;  // below that, compression saves nothing
  const bool compressed =
      allowCompression && s.size() >= kFewestCompressedChars && s.size() <= kMaxCompressedChars &&
      std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= 0x01 && c <= 0xFF; });
  const size_t at = out.size();
  if (compressed) {
    out.resize(at + sizeof kCompressedTextMarker + s.size());
    uint8_t* p = std::copy(std::begin(kCompressedTextMarker), std::end(kCompressedTextMarker),
                           out.data() + at);
    for (char16_t c : s) *p++ = static_cast<uint8_t>(c);
    return;
  }
  out.resize(at + kTextCharSize * s.size());
  bytes::put16s(out.data() + at, s.data(), s.size());
}

void appendVariable(std::vector<uint8_t>& row, const ColumnDef& column, const Value& v) {
  if (auto* s = std::get_if<std::u16string>(&v)) {
    appendText(row, *s, (column.extraFlags & kColumnCompressedUnicode) != 0);
  } else if (auto* b = std::get_if<Bytes>(&v)) {
    row.insert(row.end(), b->begin(), b->end());
  } else {
    throw Error(
        ErrorKind::Unsupported,
        u"Cannot write values of type " + text::num(column.type) + u" (" + named(column) + u")",
        {.column = column.name});
  }
}

}  // namespace

std::vector<uint8_t> encodeCompressibleText(std::u16string_view s) {
  std::vector<uint8_t> out;
  appendText(out, s, true);
  return out;
}

void coerceInPlace(const ColumnDef& column, Value& v) {
  const auto type = static_cast<ColumnType>(column.type);
  bool asItIs = isNull(v) && type != ColumnType::Boolean;
  switch (type) {
    case ColumnType::Text:
      if (const auto* s = std::get_if<std::u16string>(&v))
        asItIs = s->size() <= column.length / kTextCharSize;
      break;
    case ColumnType::Long:
      asItIs = std::holds_alternative<int32_t>(v);
      break;
    case ColumnType::Boolean:
      asItIs = std::holds_alternative<bool>(v);
      break;
    default:
      break;
  }
  if (!asItIs) v = coerceValue(column, std::move(v));
}

Value coerceValue(const ColumnDef& column, Value v) {
  const auto type = static_cast<ColumnType>(column.type);
  if (isNull(v)) {
    if (type == ColumnType::Boolean) return false;  // a Boolean has no null: No
    return v;
  }
  switch (type) {
    case ColumnType::Boolean:
      if (auto* b = std::get_if<bool>(&v)) return *b;
      throw Error(ErrorKind::BadValue,
                  u"The value for " + named(column) + u" is not a yes/no value",
                  {.column = column.name});
    case ColumnType::Byte:
      return integerFor<uint8_t>(column, v);
    case ColumnType::Integer:
      return integerFor<int16_t>(column, v);
    case ColumnType::Long:
      return integerFor<int32_t>(column, v);
    case ColumnType::Single:
    case ColumnType::Double: {
      const std::optional<double> d = realNumber(v);
      if (!d)
        throw Error(ErrorKind::BadValue, u"The value for " + named(column) + u" is not a number",
                    {.column = column.name});
      if (type == ColumnType::Double) return *d;
      return static_cast<float>(*d);
    }
    case ColumnType::Currency:
      if (std::holds_alternative<Currency>(v)) return v;
      break;
    case ColumnType::DateTime:
      if (std::holds_alternative<DateTime>(v)) return v;
      break;
    case ColumnType::Guid:
      if (std::holds_alternative<Guid>(v)) return v;
      break;
    case ColumnType::Decimal:
      break;
    case ColumnType::Text:
    case ColumnType::Memo:
      if (auto* s = std::get_if<std::u16string>(&v)) {
        const size_t limit = column.length / kTextCharSize;
        if (type == ColumnType::Text && s->size() > limit) {
          throw Error(ErrorKind::TooLong,
                      u"The value for " + named(column) + u" is too long: " +
                          text::num(static_cast<int64_t>(s->size())) + u" characters, at most " +
                          text::num(static_cast<int64_t>(limit)) + u" allowed",
                      {.column = column.name});
        }
        return v;
      }
      throw Error(ErrorKind::BadValue, u"The value for " + named(column) + u" is not text",
                  {.column = column.name});
    case ColumnType::Binary:
    case ColumnType::Ole:
      if (auto* b = std::get_if<Bytes>(&v)) {
        if (type == ColumnType::Binary && b->size() > column.length) {
          throw Error(ErrorKind::TooLong,
                      u"The value for " + named(column) + u" is too long: " +
                          text::num(static_cast<int64_t>(b->size())) + u" bytes, at most " +
                          text::num(column.length) + u" allowed",
                      {.column = column.name});
        }
        return v;
      }
      throw Error(ErrorKind::BadValue, u"The value for " + named(column) + u" is not binary data",
                  {.column = column.name});
  }
  throw Error(ErrorKind::BadValue, u"The value for " + named(column) + u" does not suit its type",
              {.column = column.name});
}

std::vector<uint8_t> encodeRow(const TableDef& table, const std::vector<Value>& values) {
  std::vector<uint8_t> row;
  RowEncoder(table).encode(values, row);
  return row;
}

RowEncoder::RowEncoder(const TableDef& table) : table_(table) {
  size_t fixedEnd = 0;
  size_t varSlots = 0;
  for (const ColumnDef& c : table.columns) {
    if (c.fixed()) {
      fixedEnd = std::max<size_t>(fixedEnd, c.fixedOffset + fixedSize(c));
    } else {
      varSlots = std::max<size_t>(varSlots, c.varIndex + 1u);
    }
  }
  fixedEnd_ = rowformat::kFixedAreaOffset + fixedEnd;
  columnCount_ = std::max<size_t>(table.maxColumns, table.columns.size());
  varValues_.resize(varSlots);
  varOffsets_.resize(varSlots);
  nullMask_.resize(rowformat::nullMaskSize(columnCount_));
}

void RowEncoder::encode(const std::vector<Value>& values, std::vector<uint8_t>& row) {
  if (values.size() != table_.columns.size()) {
    throw Error(ErrorKind::Internal, u"Internal error: a row of table " + table_.name + u" needs " +
                                         text::num(static_cast<int64_t>(table_.columns.size())) +
                                         u" values");
  }
  const size_t varSlots = varValues_.size();
  std::fill(nullMask_.begin(), nullMask_.end(), 0);
  std::fill(varValues_.begin(), varValues_.end(), std::pair<const ColumnDef*, const Value*>());
  row.reserve(kMaxRowSize);  // the variable values then append without moving the row
  row.assign(fixedEnd_, 0);
  putU16le(row.data(), static_cast<uint16_t>(columnCount_));

  for (size_t i = 0; i < table_.columns.size(); ++i) {
    const ColumnDef& c = table_.columns[i];
    const Value& v = values[i];
    bool present = !isNull(v);
    if (c.is(ColumnType::Boolean)) {
      present = std::get<bool>(v);  // a Boolean's value is its null-mask bit
    } else if (present && c.fixed()) {
      putFixed(row.data() + rowformat::kFixedAreaOffset + c.fixedOffset, c, v);
    } else if (present) {
      if (c.isLongValue()) {
        throw Error(ErrorKind::Unsupported,
                    u"Writing memo or OLE values is not supported (" + named(c) + u")",
                    {.column = c.name});
      }
      varValues_[c.varIndex] = {&c, &v};
    }
    if (present) setBitAt(nullMask_.data(), c.number, true);
  }

  if (varSlots > 0) {
    for (size_t k = 0; k < varSlots; ++k) {
      varOffsets_[k] = static_cast<uint16_t>(row.size());
      if (varValues_[k].second) appendVariable(row, *varValues_[k].first, *varValues_[k].second);
    }
    const size_t tail = rowformat::varTableSize(varSlots) + nullMask_.size();
    if (row.size() + tail > kMaxRowSize) {
      throw Error(ErrorKind::RowTooLong,
                  u"The row is too long for table " + table_.name + u" (" +
                      text::num(static_cast<int64_t>(row.size() + tail)) + u" bytes, at most " +
                      text::num(static_cast<int64_t>(kMaxRowSize)) + u")",
                  {.table = table_.name});
    }
    // The offset table, last entry first: end of data, the offsets from the last slot's down,
    // the count.
    const size_t at = row.size();
    row.resize(at + rowformat::varTableSize(varSlots));
    uint8_t* entry = row.data() + at;
    const auto put = [&entry](size_t value) {
      putU16le(entry, static_cast<uint16_t>(value));
      entry += rowformat::kVarEntrySize;
    };
    put(at);
    for (auto it = varOffsets_.rbegin(); it != varOffsets_.rend(); ++it) put(*it);
    put(varSlots);
  }
  row.insert(row.end(), nullMask_.begin(), nullMask_.end());
  if (row.size() > kMaxRowSize) {
    throw Error(ErrorKind::RowTooLong, u"The row is too long for table " + table_.name,
                {.table = table_.name});
  }
}

}  // namespace jet
