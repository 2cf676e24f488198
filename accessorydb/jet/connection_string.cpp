#include "accessorydb/jet/connection_string.h"

#include "accessorydb/jet/ado.h"

namespace jet {

namespace {

// A connection string that cannot be split into "name=value" pairs.
const char16_t kMalformed[] =
    u"The connection string is malformed: it must be \"name=value\" pairs separated by \";\".";

}  // namespace

std::vector<ConnectionProperty> parseConnectionString(const Text& cs) {
  std::vector<ConnectionProperty> out;
  size_t pos = 0;
  while (pos < cs.size()) {
    const size_t eq = cs.find(u'=', pos);
    const size_t semi = cs.find(u';', pos);
    if (eq == Text::npos || (semi != Text::npos && semi < eq)) {
      // Only blanks may stand between separators without a key=value pair.
      const Text rest = text::trim(std::u16string_view(cs).substr(pos, semi - pos));
      if (!rest.empty()) throw Error(ErrorKind::Unsupported, Text(kMalformed) + u" (" + cs + u")");
      if (semi == Text::npos) break;
      pos = semi + 1;
      continue;
    }
    ConnectionProperty p;
    p.key = text::trim(std::u16string_view(cs).substr(pos, eq - pos));
    if (p.key.empty()) throw Error(ErrorKind::Unsupported, Text(kMalformed) + u" (" + cs + u")");
    size_t v = eq + 1;
    while (v < cs.size() && cs[v] == u' ') ++v;
    if (v < cs.size() && (cs[v] == u'"' || cs[v] == u'\'')) {
      const size_t close = cs.find(cs[v], v + 1);
      if (close == Text::npos)
        throw Error(ErrorKind::Unsupported, Text(kMalformed) + u" (" + cs + u")");
      p.value = cs.substr(v + 1, close - v - 1);
      const size_t after = cs.find(u';', close + 1);
      if (!text::trim(std::u16string_view(cs).substr(close + 1, after - close - 1)).empty()) {
        throw Error(ErrorKind::Unsupported, Text(kMalformed) + u" (" + cs + u")");
      }
      pos = after == Text::npos ? cs.size() : after + 1;
    } else {
      const size_t end = cs.find(u';', v);
      p.value = text::trim(std::u16string_view(cs).substr(v, end - v));
      pos = end == Text::npos ? cs.size() : end + 1;
    }
    out.push_back(std::move(p));
  }
  return out;
}

std::optional<Text> connectionProperty(const std::vector<ConnectionProperty>& properties,
                                       std::u16string_view key) {
  std::optional<Text> value;
  for (const ConnectionProperty& p : properties) {
    if (text::equalsIgnoreAsciiCase(p.key, key)) value = p.value;
  }
  return value;
}

Text dataSource(const Text& connectionString) {
  const auto value = connectionProperty(parseConnectionString(connectionString), u"Data Source");
  if (!value || value->empty()) {
    throw Error(
        ErrorKind::Unsupported,
        u"The connection string names no database file (Data Source=): " + connectionString);
  }
  return *value;
}

}  // namespace jet
