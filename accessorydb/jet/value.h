// A column value as the engine hands it out: null or one of the Jet 4 column types.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "accessorydb/jet/layout.h"
#include "platform/text.h"

namespace jet {

struct Null {
  bool operator==(const Null&) const = default;
};

// Currency: a 64-bit integer in units of 1/10000.
struct Currency {
  int64_t units = 0;
  bool operator==(const Currency&) const = default;
};

// Date/time as Jet stores it: days since 1899-12-30 as a double.
struct DateTime {
  double days = 0;
  bool operator==(const DateTime&) const = default;
};

// Replication ID (GUID), 16 bytes as stored.
struct Guid {
  std::array<uint8_t, valuesize::kGuid> bytes{};
  bool operator==(const Guid&) const = default;
};

// Decimal (numeric): scaled integer with sign, precision and scale.
struct Decimal {
  bool negative = false;
  std::array<uint32_t, 3> magnitude{};  // 96-bit, least significant word first
  uint8_t precision = 0;
  uint8_t scale = 0;
  bool operator==(const Decimal&) const = default;
};

using Bytes = std::vector<uint8_t>;

using Value = std::variant<Null, bool, uint8_t, int16_t, int32_t, Currency, float, double, DateTime,
                           std::u16string, Bytes, Guid, Decimal>;

inline bool isNull(const Value& v) {
  return std::holds_alternative<Null>(v);
}

}  // namespace jet
