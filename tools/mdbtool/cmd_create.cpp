// mdbtool create FILE: a new, empty accessory database (its tables as accessory_schema.h
// defines them), made through the engine's ADOX catalog under a working name and renamed to FILE
// only when complete, so FILE is never a partial database.
#include <cstdio>
#include <string>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/adox_table.h"
#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

namespace {

void createTables(plat::Platform& fs, const Text& path) {
  jet::adox::Catalog catalog(fs);
  catalog.Create(accessorydb::createConnectionString(path));
  catalog.setActiveConnection(accessorydb::openConnectionString(path));
  for (const accessorydb::TableSchema& schema : accessorydb::accessoryTables()) {
    catalog.appendTable(accessorydb::adoxTable(schema, &catalog));
  }
}

}  // namespace

int runCreate(plat::Platform& fs, const Args& args) {
  requireArgs(args, 1, 1, "create FILE");
  return createFile(fs, args[0]);
}

int createFile(plat::Platform& fs, const Text& path) {
  if (fs.fileExists(path)) throw text::Error(u"Database already exists: " + path);
  const Text working = path + u".create";
  // Left by a run that was cut short; one that cannot go makes the creation fail and say why.
  if (fs.fileExists(working)) (void)fs.deleteFile(working);
  try {
    createTables(fs, working);
    if (const plat::Status moved = fs.moveFile(working, path); !moved) {
      throw text::Error(u"cannot rename the new database " + working + u" to " + path + u": " +
                        moved.reason());
    }
  } catch (const text::Error&) {
    (void)fs.deleteFile(working);  // a partial database is of no use; the error is the cause
    throw;
  }
  const std::string line = text::toUtf8(path) + ": created with " +
                           std::to_string(accessorydb::accessoryTables().size()) + " tables\n";
  std::fputs(line.c_str(), stdout);
  return 0;
}

}  // namespace mdbtool
