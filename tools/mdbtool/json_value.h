// JSON text for engine values: strings for text, numbers for numeric types, ISO 8601 for dates,
// base64 for binary, "{GUID}" for replication ids.
#pragma once

#include <string>
#include <string_view>

#include "accessorydb/jet/value.h"

namespace mdbtool {

// A JSON string literal. Every UTF-16 unit survives: pairs become UTF-8, a lone surrogate and
// control characters become \u escapes.
void appendJsonString(std::string& out, std::u16string_view s);
void appendJsonValue(std::string& out, const jet::Value& v);

// Days since 1899-12-30 as "YYYY-MM-DDTHH:MM:SS" (+ ".mmm" when there are milliseconds). A
// negative value counts whole days back and the fraction forward, as Jet does.
std::string isoDateTime(double days);
std::string decimalText(const jet::Decimal& d);
std::string currencyText(jet::Currency c);
std::string base64(const jet::Bytes& bytes);

}  // namespace mdbtool
