// mdbtool export FILE TABLE: the table's rows as JSON Lines.
#include "accessorydb/jet/database.h"
#include "tools/mdbtool/commands.h"
#include "tools/mdbtool/export_rows.h"

namespace mdbtool {

int runExport(plat::Platform& fs, const Args& args) {
  requireArgs(args, 2, 2, "export FILE TABLE");
  jet::Database db;
  db.open(fs, args[0], true);
  exportRows(db, db.table(args[1]), stdout);
  return 0;
}

}  // namespace mdbtool
