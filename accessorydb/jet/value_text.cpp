#include "accessorydb/jet/value_text.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace jet {

namespace {

using text::Text;

Text realText(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return text::fromUtf8(buf);
}

// Decimal digits of a non-negative integer scaled down by 10^scale.
Text scaled(std::string digits, unsigned scale, bool negative) {
  if (scale > 0) {
    if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    digits.insert(digits.size() - scale, 1, '.');
  }
  return text::fromUtf8((negative ? "-" : "") + digits);
}

std::string magnitudeDigits(std::array<uint32_t, 3> m) {
  std::string out;
  while (m[0] || m[1] || m[2]) {
    uint64_t rest = 0;
    for (int i = 2; i >= 0; --i) {
      const uint64_t cur = (rest << 32) | m[i];
      m[i] = static_cast<uint32_t>(cur / 10);
      rest = cur % 10;
    }
    out.insert(out.begin(), static_cast<char>('0' + rest));
  }
  return out.empty() ? "0" : out;
}

Text dateText(double days) {
  // Whole days since 1899-12-30; the fraction is the time of day, also for negative days.
  const double dayPart = std::trunc(days);
  int64_t secs = std::llround(std::fabs(days - dayPart) * 86400.0);
  if (secs >= 86400) secs = 86399;
  // Civil date from days since 1970-01-01 (proleptic Gregorian), shifted to start in March.
  const int64_t z = static_cast<int64_t>(dayPart) - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                static_cast<long long>(secs % 60));
  return text::fromUtf8(buf);
}

Text hexText(const uint8_t* bytes, size_t n) {
  static const char kHex[] = "0123456789ABCDEF";
  Text out;
  for (size_t i = 0; i < n; ++i) {
    out += static_cast<char16_t>(kHex[bytes[i] >> 4]);
    out += static_cast<char16_t>(kHex[bytes[i] & 15]);
  }
  return out;
}

}  // namespace

Text valueText(const Value& v) {
  return std::visit(
      [](const auto& x) -> Text {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Null>) {
          return Text();
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? u"True" : u"False";
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                             std::is_same_v<T, int32_t>) {
          return text::num(x);
        } else if constexpr (std::is_same_v<T, Currency>) {
          const bool negative = x.units < 0;
          const uint64_t mag =
              negative ? 0 - static_cast<uint64_t>(x.units) : static_cast<uint64_t>(x.units);
          return scaled(std::to_string(mag), 4, negative);
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          return realText(x);
        } else if constexpr (std::is_same_v<T, DateTime>) {
          return dateText(x.days);
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          return x;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return scaled(magnitudeDigits(x.magnitude), x.scale, x.negative);
        } else {
          // Bytes and GUIDs: hexadecimal digits of the stored bytes.
          if constexpr (std::is_same_v<T, Guid>) {
            return hexText(x.bytes.data(), x.bytes.size());
          } else {
            return hexText(x.data(), x.size());
          }
        }
      },
      v);
}

}  // namespace jet
