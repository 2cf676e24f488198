// mdbtool tables FILE: the user tables, one a line, in catalog order.
#include <cstdio>

#include "accessorydb/jet/database.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

int runTables(plat::Platform& fs, const Args& args) {
  requireArgs(args, 1, 1, "tables FILE");
  jet::Database db;
  db.open(fs, args[0], true);
  for (const Text& name : db.tableNames()) std::printf("%s\n", text::toUtf8(name).c_str());
  return 0;
}

}  // namespace mdbtool
