#include "accessorydb/mdb_create.h"

#include "accessorydb/accessory_schema.h"
#include "accessorydb/adox_table.h"
#include "accessorydb/connection_strings.h"
#include "accessorydb/error_text.h"
#include "accessorydb/jet/ado.h"
#include "platform/unexpected_error.h"

namespace accessorydb {

namespace {

// Both tables, through a catalog that holds the file only while this runs.
void createTables(plat::Platform& platform, const Text& path, const logs::Log& log) {
  jet::adox::Catalog catalog(platform);
  catalog.Create(createConnectionString(path));
  catalog.setActiveConnection(openConnectionString(path));
  log.debug(u"Tworzenie tabeli `info_roducent`");
  catalog.appendTable(adoxTable(accessoryTable(u"info_producent"), &catalog));
  log.debug(u"Tworzenie tabeli `Dodatki`");
  catalog.appendTable(adoxTable(accessoryTable(u"Dodatki"), &catalog));
}

}  // namespace

Creation createDatabase(plat::Platform& platform, const Text& path, const logs::Log& log) {
  if (platform.fileExists(path)) {
    log.debug(u"Znaleniono istniejący plik z dazą danych.");
    if (const plat::Status deleted = platform.deleteFile(path)) {
      log.debug(u"Usunięto istniejący plik z dazą danych.");
    } else {
      log.important(plat::withReason(u"Błąd kasowania istniejącego pliku z dazą danych", deleted));
    }
  }
  Text cause;
  try {
    log.debug(u"Tworzenie pliku bazy danych.");
    createTables(platform, path, log);
    log.debug(u"Utworzono pustą bazę danych.");
    return {Creation::Result::Created, {}};
  } catch (const text::Error& e) {
    cause = errorText(e);
    log.important(u"[Błąd tworzenia bazy danych MDB.] " + cause);
  } catch (const std::exception& e) {
    cause = logs::logUnexpectedError(log, e);
  }
  // The catalog let go of the half-made file as createTables ended, so it can be removed.
  if (platform.fileExists(path)) {
    if (const plat::Status deleted = platform.deleteFile(path); !deleted) {
      log.important(plat::withReason(
          u"Nie można usunąć błędnie utworzonego pliku z bazą danych: " + path, deleted));
    } else {
      log.important(u"Usunięto błędnie utworzony plik z dazą danych.");
    }
  }
  return {Creation::Result::Failed, cause};
}

}  // namespace accessorydb
