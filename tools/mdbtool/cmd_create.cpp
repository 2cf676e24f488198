// mdbtool create FILE: a new, empty accessory database (its tables as accessory_schema.h
// defines them), made through the engine's ADOX catalog.
#include <cstdio>
#include <string>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/jet/ado.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

namespace {

jet::adox::Table adoxTable(const accessorydb::TableSchema& schema, jet::adox::Catalog& catalog) {
  jet::adox::Table table;
  table.Name = schema.name;
  for (const accessorydb::ColumnSchema& c : schema.columns) {
    jet::adox::Column column;
    column.ParentCatalog = &catalog;
    column.Name = c.name;
    column.Type = c.type;
    column.DefinedSize = c.definedSize;
    table.Columns.push_back(column);
  }
  if (!schema.primaryKeyName.empty()) {
    jet::adox::Key key;
    key.Name = schema.primaryKeyName;
    key.Type = jet::adKeyPrimary;
    key.Columns = {schema.primaryKeyColumn};
    table.Keys.push_back(key);
  }
  return table;
}

}  // namespace

int runCreate(plat::Platform& fs, const Args& args) {
  requireArgs(args, 1, 1, "create FILE");
  const Text& path = args[0];
  jet::adox::Catalog catalog(fs);
  catalog.Create(u"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=" + path);
  catalog.setActiveConnection(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
                              u";Mode=ReadWrite|Share Deny None;Persist Security Info=False;");
  for (const accessorydb::TableSchema& schema : accessorydb::accessoryTables()) {
    catalog.appendTable(adoxTable(schema, catalog));
  }
  const std::string line = text::toUtf8(path) + ": created with " +
                           std::to_string(accessorydb::accessoryTables().size()) + " tables\n";
  std::fputs(line.c_str(), stdout);
  return 0;
}

}  // namespace mdbtool
