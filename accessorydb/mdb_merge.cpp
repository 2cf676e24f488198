// TForm1: the merge of the package's accessory database with the previous one into a new
// "dodatki.mdb".
#include "accessorydb/table_merge.h"
#include "app/form1.h"

namespace app {

namespace {

Text connectionString(const Text& path) {
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
         u";Mode=ReadWrite|Share Deny None;Persist Security Info=False;";
}

template <typename T, typename... Args>
void recreateIfReleased(std::unique_ptr<T>& object, Args&... args) {
  if (!object) object = std::make_unique<T>(args...);
}

}  // namespace

bool TForm1::CopyMdb(const Text& nw, const Text& od, const Text& dn) {
  // At the normal level no trace line is built at all: the merge forms one per row.
  const bool tracing = log_level >= DEBUG;
  if (!fs_.fileExists(dn)) {
    if (tracing) info(DEBUG, u"Brak pliku docelowego. Tworzymy nowy.");
    if (!MDBCreate(dn)) {
      info(IMPORTANT, u"Błąd tworzenia pliku docelowego: " + dn);
      return false;
    }
  }
  if (!fs_.fileExists(nw)) {
    info(IMPORTANT, u"Brak pliku: " + nw);
    return false;
  }
  if (tracing) info(DEBUG, u"Znaleniono oba istniejące pliki z dazą danych.");

  const Text NWDataSource = connectionString(nw);
  const Text ODDataSource = connectionString(od);
  const Text DNDataSource = connectionString(dn);
  const bool haveOld = fs_.fileExists(od);
  const accessorydb::Trace trace =
      tracing ? accessorydb::Trace([this](const Text& line) { info(DEBUG, line); })
              : accessorydb::Trace();

  // An earlier merge of this window released its database objects.
  recreateIfReleased(NWconnection, fs_);
  recreateIfReleased(ODConnection, fs_);
  recreateIfReleased(DNconnection, fs_);
  recreateIfReleased(NWTable);
  recreateIfReleased(ODTable);
  recreateIfReleased(DNTable);

  const auto connect = [&](jet::ado::Connection& connection, jet::ado::TableCursor& table,
                           const Text& source, const Text& path) {
    if (tracing) info(DEBUG, u"Tworzymy połączenie do " + path);
    connection.ConnectionString = source;
    connection.LoginPrompt = false;
    connection.open();
    table.connection = &connection;
  };
  jet::ado::TableCursor* oldTable = haveOld ? ODTable.get() : nullptr;
  const auto mergeInfoProducent = [&] {
    accessorydb::mergeTable(accessorydb::infoProducentRules(), *DNTable, *NWTable, oldTable, trace);
  };
  const auto mergeDodatki = [&] {
    accessorydb::mergeTable(accessorydb::dodatkiRules(), *DNTable, *NWTable, oldTable, trace);
  };

  try {
    connect(*DNconnection, *DNTable, DNDataSource, dn);
    if (haveOld) connect(*ODConnection, *ODTable, ODDataSource, od);
    connect(*NWconnection, *NWTable, NWDataSource, nw);
    mergeInfoProducent();
    mergeDodatki();
    if (tracing) info(DEBUG, u"Poprawnie przeniesiono dane.");
    DNconnection->close();
    NWconnection->close();
    DNTable.reset();
    NWTable.reset();
    DNconnection.reset();
    NWconnection.reset();
    if (haveOld) {
      ODConnection->close();
      ODTable.reset();
      ODConnection.reset();
    }
    return true;
  } catch (const text::Error& e) {
    info(IMPORTANT, e.message());
  }
  // Open files cannot be deleted or renamed: let go of all three before dn goes, so that the
  // install can also delete or restore the two sources.
  for (jet::ado::TableCursor* table : {DNTable.get(), NWTable.get(), ODTable.get()}) {
    if (table) table->close();
  }
  for (jet::ado::Connection* connection :
       {DNconnection.get(), NWconnection.get(), ODConnection.get()}) {
    if (connection) connection->close();
  }
  if (fs_.fileExists(dn)) fs_.deleteFile(dn);
  return false;
}

}  // namespace app
