// The accessory database steps of the main window: creating an empty database and merging the
// package's database with the previous one.
#include "accessorydb/accessory_schema.h"
#include "accessorydb/adox_table.h"
#include "accessorydb/mdb_create.h"
#include "accessorydb/mdb_merge.h"
#include "app/form1.h"

namespace app {

bool TForm1::MDBCreate(const Text& Name) {
  return accessorydb::createDatabase(platform_, Name, log()).created();
}

jet::adox::Table TForm1::createTableProducent() {
  return accessorydb::adoxTable(accessorydb::accessoryTable(u"info_producent"), mdbBase.get());
}

jet::adox::Table TForm1::createTableDodatki() {
  return accessorydb::adoxTable(accessorydb::accessoryTable(u"Dodatki"), mdbBase.get());
}

jet::adox::Column TForm1::createCol(const Text& Name, int32_t Typ, int32_t Size) {
  return accessorydb::adoxColumn({Name, Typ, Size}, mdbBase.get());
}

bool TForm1::CopyMdb(const Text& nw, const Text& od, const Text& dn) {
  return accessorydb::mergeDatabases(platform_, {nw, od, dn}, log()).merged();
}

}  // namespace app
