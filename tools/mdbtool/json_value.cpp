#include "tools/mdbtool/json_value.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mdbtool {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day number of 1899-12-30 counted from 1970-01-01.
constexpr int64_t kJetEpochFromUnix = -25569;

// Gregorian date of a day count from 1970-01-01 (the well-known era-based conversion).
void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

void appendShortest(std::string& out, double v) {
  if (!std::isfinite(v)) {  // JSON has no NaN or infinity
    out += "null";
    return;
  }
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

// The shortest decimal that reads back as the same single, written as that decimal's double:
// 309840992.0f gives 309841000, 1.1f gives 1.1.
void appendShortest(std::string& out, float v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char buf[64];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(v));
    const double shortest = std::strtod(buf, nullptr);
    if (static_cast<float>(shortest) == v) return appendShortest(out, shortest);
  }
  appendShortest(out, static_cast<double>(v));
}

// "123" with `scale` digits moved behind a point; trailing zeros of the fraction dropped.
std::string withScale(std::string digits, unsigned scale, bool negative) {
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  std::string out = digits.substr(0, digits.size() - scale);
  std::string frac = digits.substr(digits.size() - scale);
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  if (!frac.empty()) out += "." + frac;
  if (negative && out != "0") out = "-" + out;
  return out;
}

}  // namespace

void appendJsonString(std::string& out, std::u16string_view s) {
  static const char* const hex = "0123456789abcdef";
  out += '"';
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\b') {
      out += "\\b";
    } else if (c == '\f') {
      out += "\\f";
    } else if (c < 0x80 && c >= 0x20) {
      out += static_cast<char>(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
               s[i + 1] <= 0xDFFF) {
      out += text::toUtf8(s.substr(i, 2));
      ++i;
    } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 0xF];
    } else {
      out += text::toUtf8(s.substr(i, 1));
    }
  }
  out += '"';
}

std::string isoDateTime(double days) {
  const double whole = std::trunc(days);
  int64_t day = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(days - whole) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ++day;
    ms -= kMsPerDay;
  }
  int64_t y;
  unsigned m, d;
  civilFromDays(day + kJetEpochFromUnix, y, m, d);
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%04" PRId64 "-%02u-%02uT%02u:%02u:%02u", y, m, d,
                        static_cast<unsigned>(ms / 3600000), static_cast<unsigned>(ms / 60000 % 60),
                        static_cast<unsigned>(ms / 1000 % 60));
  if (ms % 1000 != 0) {
    n += std::snprintf(buf + n, sizeof buf - n, ".%03u", static_cast<unsigned>(ms % 1000));
  }
  return std::string(buf, n);
}

std::string decimalText(const jet::Decimal& dec) {
  // Repeated division of the 96-bit magnitude by 10.
  std::array<uint32_t, 3> w = dec.magnitude;
  std::string digits;
  do {
    uint64_t rem = 0;
    for (int i = 2; i >= 0; --i) {
      const uint64_t cur = (rem << 32) | w[i];
      w[i] = static_cast<uint32_t>(cur / 10);
      rem = cur % 10;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + rem));
  } while (w[0] != 0 || w[1] != 0 || w[2] != 0);
  return withScale(digits, dec.scale, dec.negative);
}

std::string currencyText(jet::Currency c) {
  const bool negative = c.units < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(c.units) : static_cast<uint64_t>(c.units);
  return withScale(std::to_string(magnitude), 4, negative);
}

std::string base64(const jet::Bytes& bytes) {
  static const char* const alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t v = static_cast<uint32_t>(bytes[i]) << 16;
    if (n > 1) v |= static_cast<uint32_t>(bytes[i + 1]) << 8;
    if (n > 2) v |= bytes[i + 2];
    for (size_t k = 0; k < 4; ++k) out += k <= n ? alphabet[(v >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return out;
}

void appendJsonValue(std::string& out, const jet::Value& v) {
  std::visit(
      [&out](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, jet::Null>) {
          out += "null";
        } else if constexpr (std::is_same_v<T, bool>) {
          out += x ? "true" : "false";
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                             std::is_same_v<T, int32_t>) {
          out += std::to_string(x);
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          appendShortest(out, x);
        } else if constexpr (std::is_same_v<T, jet::Currency>) {
          out += currencyText(x);
        } else if constexpr (std::is_same_v<T, jet::Decimal>) {
          out += decimalText(x);
        } else if constexpr (std::is_same_v<T, jet::DateTime>) {
          if (std::isfinite(x.days) && std::fabs(x.days) < 3e6) {
            out += '"' + isoDateTime(x.days) + '"';
          } else {
            out += "null";  // far outside any calendar Jet supports
          }
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          appendJsonString(out, x);
        } else if constexpr (std::is_same_v<T, jet::Bytes>) {
          out += '"' + base64(x) + '"';
        } else if constexpr (std::is_same_v<T, jet::Guid>) {
          char buf[48];
          const auto& b = x.bytes;
          // The first three groups are stored little-endian.
          std::snprintf(
              buf, sizeof buf,
              "\"{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}\"", b[3],
              b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
              b[14], b[15]);
          out += buf;
        }
      },
      v);
}

}  // namespace mdbtool
