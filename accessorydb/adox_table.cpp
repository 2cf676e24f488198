#include "accessorydb/adox_table.h"

namespace accessorydb {

jet::adox::Column adoxColumn(const ColumnSchema& schema, jet::adox::Catalog* catalog) {
  jet::adox::Column column;
  column.ParentCatalog = catalog;
  column.Name = schema.name;
  column.Type = schema.type;
  column.DefinedSize = schema.definedSize;
  return column;
}

jet::adox::Table adoxTable(const TableSchema& schema, jet::adox::Catalog* catalog) {
  jet::adox::Table table;
  table.Name = schema.name;
  for (const ColumnSchema& c : schema.columns) table.Columns.push_back(adoxColumn(c, catalog));
  if (!schema.primaryKeyName.empty()) {
    jet::adox::Key key;
    key.Name = schema.primaryKeyName;
    key.Type = jet::adKeyPrimary;
    key.Columns = {schema.primaryKeyColumn};
    table.Keys.push_back(key);
  }
  return table;
}

}  // namespace accessorydb
