#include "target/preconditions.h"

#include "target/host_layout.h"
#include "target/package_database.h"
#include "target/running_host.h"

namespace target {

Refusal checkDatabase(plat::Platform& platform, const Text& hostFolder, const Text& packageName,
                      const logs::Log& log) {
  const PackageDatabase db = packageDatabase(hostFolder, packageName);
  log.debug(u"Sprawdzamy dostęp do pliku: " + db.file);
  if (!databaseReplaceable(platform, db, log)) {
    log.important(kDatabaseHeldMessage);
    return kDatabaseHeldMessage;
  }
  log.debug(u"Dostęp do MDB poprawny");
  return std::nullopt;
}

Refusal checkNoRunningHost(plat::Platform& platform, const logs::Log& log) {
  log.debug(u"Sprawdzamy uruchomienie applikacji CAD.");
  if (Refusal blocker = runningHostBlocker(platform, log)) {
    log.important(*blocker);
    return blocker;
  }
  log.debug(u"Nie znaleziono uruchomionej applikacji CAD.");
  return std::nullopt;
}

Refusal checkPreconditions(plat::Platform& platform, const Text& hostFolder,
                           const Text& packageName, const logs::Log& log) {
  if (Refusal refusal = checkDatabase(platform, hostFolder, packageName, log)) return refusal;
  return checkNoRunningHost(platform, log);
}

Refusal installBlocker(plat::Platform& platform, const Text& hostFolder, const Text& packageName) {
  const logs::Log silent;
  if (!platform.directoryExists(libraryFolderToValidate(text::trim(hostFolder)))) {
    return kNoInstallationMessage;
  }
  if (!databaseReplaceable(platform, packageDatabase(hostFolder, packageName), silent)) {
    return kDatabaseHeldMessage;
  }
  return runningHostBlocker(platform, silent);
}

}  // namespace target
