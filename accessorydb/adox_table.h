// The accessory schema as ADOX objects: what the catalog is given to create the tables.
#pragma once

#include "accessorydb/accessory_schema.h"
#include "accessorydb/jet/ado.h"

namespace accessorydb {

// A column of the catalog: its name, ADO type and defined size (none when the schema gives none).
jet::adox::Column adoxColumn(const ColumnSchema& schema, jet::adox::Catalog* catalog);

// The table with its columns in creation order and its primary key, if it has one.
jet::adox::Table adoxTable(const TableSchema& schema, jet::adox::Catalog* catalog);

}  // namespace accessorydb
