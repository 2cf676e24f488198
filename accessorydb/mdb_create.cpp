// TForm1: creating an empty accessory database "dodatki.mdb" through the ADOX catalog.
#include "accessorydb/accessory_schema.h"
#include "app/form1.h"

namespace app {

bool TForm1::MDBCreate(const Text& Name) {
  // A trace line is built only when it is going to be logged.
  const auto trace = [this](const char16_t* line) {
    if (log_level >= DEBUG) info(DEBUG, line);
  };
  bool result = false;
  if (fs_.fileExists(Name)) {
    trace(u"Znaleniono istniejący plik z dazą danych.");
    if (fs_.deleteFile(Name)) {
      trace(u"Usunięto istniejący plik z dazą danych.");
    } else {
      info(IMPORTANT, u"Błąd kasowania istniejącego pliku z dazą danych.");
    }
  }
  try {
    trace(u"Tworzenie pliku bazy danych.");
    mdbBase = std::make_unique<jet::adox::Catalog>(fs_);
    mdbBase->Create(u"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=" +
                    Name);
    mdbBase->setActiveConnection(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + Name +
                                 u";Mode=ReadWrite|Share Deny None;Persist Security Info=False;");
    trace(u"Tworzenie tabeli `info_roducent`");
    mdbBase->appendTable(createTableProducent());
    trace(u"Tworzenie tabeli `Dodatki`");
    mdbBase->appendTable(createTableDodatki());
    trace(u"Utworzono pustą bazę danych.");
    result = true;
  } catch (const text::Error& e) {
    info(IMPORTANT, u"[Błąd tworzenia bazy danych MDB.] " + e.message());
    // The catalog holds the half-made file open; release it before removing the file.
    mdbBase.reset();
    if (fs_.fileExists(Name)) {
      fs_.deleteFile(Name);
      info(IMPORTANT, u"Usunięto błędnie utworzony plik z dazą danych.");
    }
  }
  mdbBase.reset();
  return result;
}

jet::adox::Column TForm1::createCol(const Text& Name, int32_t Typ, int32_t Size) {
  jet::adox::Column column;
  column.ParentCatalog = mdbBase.get();
  column.Name = Name;
  column.Type = Typ;
  column.DefinedSize = Size;
  return column;
}

jet::adox::Table TForm1::createTableProducent() {
  const accessorydb::TableSchema& schema = accessorydb::accessoryTable(u"info_producent");
  jet::adox::Table table;
  table.Name = schema.name;
  for (const accessorydb::ColumnSchema& c : schema.columns) {
    table.Columns.push_back(createCol(c.name, c.type, c.definedSize.value_or(0)));
  }
  return table;
}

jet::adox::Table TForm1::createTableDodatki() {
  const accessorydb::TableSchema& schema = accessorydb::accessoryTable(u"Dodatki");
  jet::adox::Table table;
  table.Name = schema.name;
  // The key column comes first and gets no defined size; the key follows it at once.
  const accessorydb::ColumnSchema& id = schema.columns.front();
  jet::adox::Column idColumn;
  idColumn.ParentCatalog = mdbBase.get();
  idColumn.Name = id.name;
  idColumn.Type = id.type;
  table.Columns.push_back(idColumn);
  jet::adox::Key key;
  key.Name = schema.primaryKeyName;
  key.Type = jet::adKeyPrimary;
  key.Columns.push_back(schema.primaryKeyColumn);
  table.Keys.push_back(key);
  for (auto c = schema.columns.begin() + 1; c != schema.columns.end(); ++c) {
    table.Columns.push_back(createCol(c->name, c->type, c->definedSize.value_or(0)));
  }
  return table;
}

}  // namespace app
