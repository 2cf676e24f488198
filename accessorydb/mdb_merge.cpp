#include "accessorydb/mdb_merge.h"

#include "accessorydb/connection_strings.h"
#include "accessorydb/error_text.h"
#include "accessorydb/jet/ado.h"
#include "accessorydb/mdb_create.h"
#include "accessorydb/table_merge.h"
#include "platform/unexpected_error.h"

namespace accessorydb {

namespace {

// One database of the merge: its connection and the cursor on the table being merged. Both are
// closed when it goes, whatever happened.
struct OpenDatabase {
  jet::ado::Connection connection;
  jet::ado::TableCursor table;

  explicit OpenDatabase(plat::Platform& platform) : connection(platform) {}
  ~OpenDatabase() {
    table.close();
    connection.close();
  }

  void open(const Text& path, const logs::Log& log) {
    log.debug(u"Tworzymy połączenie do " + path);
    connection.ConnectionString = openConnectionString(path);
    connection.LoginPrompt = false;
    connection.open();
    table.connection = &connection;
  }
};

// Both tables, through connections that hold the files only while this runs.
void mergeTables(plat::Platform& platform, const MergeFiles& files, bool havePrevious,
                 const logs::Log& log) {
  OpenDatabase destination(platform);
  OpenDatabase previous(platform);
  OpenDatabase package(platform);
  destination.open(files.destination, log);
  if (havePrevious) previous.open(files.previous, log);
  package.open(files.package, log);
  jet::ado::TableCursor* previousTable = havePrevious ? &previous.table : nullptr;
  mergeTable(infoProducentRules(), destination.table, package.table, previousTable, log);
  mergeTable(dodatkiRules(), destination.table, package.table, previousTable, log);
  // The merge has succeeded only once every row is in the file.
  destination.connection.commit();
  log.debug(u"Poprawnie przeniesiono dane.");
}

}  // namespace

Merge mergeDatabases(plat::Platform& platform, const MergeFiles& files, const logs::Log& log) {
  if (!platform.fileExists(files.destination)) {
    log.debug(u"Brak pliku docelowego. Tworzymy nowy.");
    if (!createDatabase(platform, files.destination, log).created()) {
      log.important(u"Błąd tworzenia pliku docelowego: " + files.destination);
      return {Merge::Result::NotCreated, {}};
    }
  }
  if (!platform.fileExists(files.package)) {
    log.important(u"Brak pliku: " + files.package);
    return {Merge::Result::PackageMissing, {}};
  }
  log.debug(u"Znaleniono oba istniejące pliki z dazą danych.");
  Text cause;
  try {
    mergeTables(platform, files, platform.fileExists(files.previous), log);
    return {Merge::Result::Merged, {}};
  } catch (const text::Error& e) {
    cause = errorText(e);
    log.important(cause);
  } catch (const std::exception& e) {
    cause = logs::logUnexpectedError(log, e);
  }
  // mergeTables let go of all three files as it ended: the half-filled destination can go. One
  // that stays is deleted by the install's restore, which says why it could not.
  if (platform.fileExists(files.destination)) (void)platform.deleteFile(files.destination);
  return {Merge::Result::Failed, cause};
}

}  // namespace accessorydb
