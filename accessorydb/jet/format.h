// Jet 4 (.mdb) codes (page types, column types, flags, signatures) and little-endian byte helpers
// shared by the reader and writer; offsets, sizes and limits are in layout.h.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "accessorydb/jet/error.h"
#include "accessorydb/jet/layout.h"
#include "platform/byte_order.h"

namespace jet {

using text::Text;

// Page type byte (offset 0 of every page).
enum PageType : uint8_t {
  kPageHeader = 0x00,
  kPageData = 0x01,  // table rows, usage-map rows and long-value (LVAL) rows
  kPageTdef = 0x02,
  kPageIndexNode = 0x03,
  kPageIndexLeaf = 0x04,
  kPageUsageBitmap = 0x05,  // target of a reference usage map
};

inline constexpr uint32_t kTdefMagic = 0x659;        // TDEF, column and logical-index descriptors
inline constexpr uint32_t kRealIndexMagic = 0x783;   // real-index descriptors
inline constexpr uint32_t kLvalMarker = 0x4C41564C;  // "LVAL" as the owner of long-value pages
// Text values that begin with these two bytes are stored with Jet 4's unicode compression.
inline constexpr uint8_t kCompressedTextMarker[2] = {0xFF, 0xFE};

// Column type codes.
enum class ColumnType : uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
  Guid = 0x0F,
  Decimal = 0x10,
};

// Bytes a fixed-size type takes in the row's fixed area (Boolean: none), or 0 for variable types.
inline constexpr uint16_t fixedSizeOf(ColumnType type) {
  switch (type) {
    case ColumnType::Byte:
      return valuesize::kByte;
    case ColumnType::Integer:
      return valuesize::kInteger;
    case ColumnType::Long:
      return valuesize::kLong;
    case ColumnType::Single:
      return valuesize::kSingle;
    case ColumnType::Currency:
      return valuesize::kCurrency;
    case ColumnType::Double:
      return valuesize::kDouble;
    case ColumnType::DateTime:
      return valuesize::kDateTime;
    case ColumnType::Guid:
      return valuesize::kGuid;
    case ColumnType::Decimal:
      return valuesize::kDecimal;
    case ColumnType::Boolean:
    case ColumnType::Binary:
    case ColumnType::Text:
    case ColumnType::Ole:
    case ColumnType::Memo:
      return 0;
  }
  return 0;
}

// Column descriptor flags (columndesc::kFlagsOffset).
inline constexpr uint8_t kColumnFixed = 0x01;
inline constexpr uint8_t kColumnUpdatable = 0x02;
inline constexpr uint8_t kColumnAutoLong = 0x04;
inline constexpr uint8_t kColumnAutoGuid = 0x40;
inline constexpr uint8_t kColumnHyperlink = 0x80;
// Column extra flags (columndesc::kExtraFlagsOffset).
inline constexpr uint8_t kColumnCompressedUnicode = 0x01;

// Real-index flags.
inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;

// Logical-index types.
inline constexpr uint8_t kIndexTypeNormal = 0x00;
inline constexpr uint8_t kIndexTypePrimaryKey = 0x01;
inline constexpr uint8_t kIndexTypeForeignKey = 0x02;

// Long-value header flags (longvalue::kFlagsOffset).
inline constexpr uint8_t kLongValueInline = 0x80;
inline constexpr uint8_t kLongValueSinglePage = 0x40;

using ByteView = std::span<const uint8_t>;

inline uint16_t u16le(const uint8_t* p) {
  return bytes::get16(p);
}
inline uint32_t u24le(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16);
}
inline uint32_t u32le(const uint8_t* p) {
  return bytes::get32(p);
}
inline uint64_t u64le(const uint8_t* p) {
  return bytes::get64(p);
}
inline int16_t i16le(const uint8_t* p) {
  return static_cast<int16_t>(u16le(p));
}
inline int32_t i32le(const uint8_t* p) {
  return static_cast<int32_t>(u32le(p));
}
inline int64_t i64le(const uint8_t* p) {
  return static_cast<int64_t>(u64le(p));
}
inline float f32le(const uint8_t* p) {
  const uint32_t bits = u32le(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline double f64le(const uint8_t* p) {
  const uint64_t bits = u64le(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

inline void putU16le(uint8_t* p, uint16_t v) {
  bytes::put16(p, v);
}
inline void putU32le(uint8_t* p, uint32_t v) {
  bytes::put32(p, v);
}
inline void putU64le(uint8_t* p, uint64_t v) {
  bytes::put64(p, v);
}

// Bit `index` of a bitmap as Jet stores them (least significant bit first): usage maps and the
// entry-end bitmap of index pages.
inline bool bitAt(const uint8_t* bitmap, uint64_t index) {
  return (bitmap[index / 8] >> (index % 8)) & 1u;
}
inline void setBitAt(uint8_t* bitmap, uint64_t index, bool bit) {
  uint8_t& byte = bitmap[index / 8];
  const auto mask = static_cast<uint8_t>(1u << (index % 8));
  byte = static_cast<uint8_t>(bit ? (byte | mask) : (byte & ~mask));
}

// A row pointer as usage-map, long-value and overflow references store it: u32 LE with the row
// number in the low byte and the page number in the upper three bytes.
struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;
  static RowPointer decode(uint32_t v) {
    return {v >> rowpointer::kRowBits, static_cast<uint8_t>(v & rowpointer::kRowMask)};
  }
  uint32_t encode() const { return (page << rowpointer::kRowBits) | row; }
  bool operator==(const RowPointer&) const = default;
};

// Throws unless [offset, offset + length) lies inside bytes; `what` names the structure read.
inline void requireBytes(ByteView bytes, size_t offset, size_t length, const char* what) {
  if (offset > bytes.size() || length > bytes.size() - offset) {
    throw Error(ErrorKind::Damaged,
                u"Damaged database: " + text::fromUtf8(what) + u" runs past its end (needs " +
                    text::num(static_cast<int64_t>(offset + length)) + u" bytes, has " +
                    text::num(static_cast<int64_t>(bytes.size())) + u")");
  }
}

}  // namespace jet
