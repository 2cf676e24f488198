// mdbtool create FILE: a new, empty accessory database (its tables as accessory_schema.h
// defines them), made through the engine's ADOX catalog.
#include <cstdio>
#include <string>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/adox_table.h"
#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

int runCreate(plat::Platform& fs, const Args& args) {
  requireArgs(args, 1, 1, "create FILE");
  const Text& path = args[0];
  jet::adox::Catalog catalog(fs);
  catalog.Create(accessorydb::createConnectionString(path));
  catalog.setActiveConnection(accessorydb::openConnectionString(path));
  for (const accessorydb::TableSchema& schema : accessorydb::accessoryTables()) {
    catalog.appendTable(accessorydb::adoxTable(schema, &catalog));
  }
  const std::string line = text::toUtf8(path) + ": created with " +
                           std::to_string(accessorydb::accessoryTables().size()) + " tables\n";
  std::fputs(line.c_str(), stdout);
  return 0;
}

}  // namespace mdbtool
