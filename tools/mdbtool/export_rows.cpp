#include "tools/mdbtool/export_rows.h"

#include <string>
#include <vector>

#include "tools/mdbtool/json_value.h"

namespace mdbtool {

namespace {

constexpr size_t kFlushBytes = 1 << 16;

void write(std::string& buf, FILE* out) {
  if (std::fwrite(buf.data(), 1, buf.size(), out) != buf.size()) {
    throw text::Error(u"cannot write the output");
  }
  buf.clear();
}

}  // namespace

size_t exportRows(jet::Database& db, const jet::TableDef& table, FILE* out) {
  // The key of each column, quoted once.
  std::vector<std::string> keys;
  for (const jet::ColumnDef& c : table.columns) {
    std::string key;
    appendJsonString(key, c.name);
    keys.push_back(key + ":");
  }
  std::string buf;
  size_t rows = 0;
  jet::TableScanner scan = db.scan(table);
  while (scan.next()) {
    buf += '{';
    for (size_t i = 0; i < keys.size(); ++i) {
      if (i > 0) buf += ',';
      buf += keys[i];
      appendJsonValue(buf, scan.values()[i]);
    }
    buf += "}\n";
    ++rows;
    if (buf.size() >= kFlushBytes) write(buf, out);
  }
  write(buf, out);
  return rows;
}

}  // namespace mdbtool
