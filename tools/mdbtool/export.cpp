// mdbtool export FILE TABLE: the table's rows as JSON Lines, one object a row, keys the column
// names in table order.
#include <cstdio>
#include <string>

#include "accessorydb/jet/database.h"
#include "tools/mdbtool/commands.h"
#include "tools/mdbtool/json_value.h"

namespace mdbtool {

namespace {

constexpr size_t kFlushBytes = 1 << 16;

void write(std::string& buf) {
  if (std::fwrite(buf.data(), 1, buf.size(), stdout) != buf.size()) {
    throw text::Error(u"cannot write the output");
  }
  buf.clear();
}

}  // namespace

int runExport(plat::Platform& fs, const Args& args) {
  requireArgs(args, 2, 2, "export FILE TABLE");
  jet::Database db;
  db.open(fs, args[0], true);
  const jet::TableDef& def = db.table(args[1]);
  // The key of each column, quoted once.
  std::vector<std::string> keys;
  for (const jet::ColumnDef& c : def.columns) {
    std::string key;
    appendJsonString(key, c.name);
    keys.push_back(key + ":");
  }
  std::string buf;
  jet::TableScanner rows = db.scan(def);
  while (rows.next()) {
    buf += '{';
    for (size_t i = 0; i < keys.size(); ++i) {
      if (i > 0) buf += ',';
      buf += keys[i];
      appendJsonValue(buf, rows.values()[i]);
    }
    buf += "}\n";
    if (buf.size() >= kFlushBytes) write(buf);
  }
  write(buf);
  return 0;
}

}  // namespace mdbtool
