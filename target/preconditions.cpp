#include "target/preconditions.h"

#include "target/folder_choice.h"
#include "target/host_layout.h"
#include "target/package_database.h"
#include "target/package_paths.h"
#include "target/running_host.h"

namespace target {

namespace {

std::optional<Refusal> refused(Refusal refusal, const logs::Log& log) {
  log.important(refusal.message);
  return refusal;
}

}  // namespace

std::optional<Refusal> checkDatabase(plat::Platform& platform, const Text& hostFolder,
                                     const Text& packageName, const logs::Log& log) {
  const PackageDatabase db = packageDatabase(hostFolder, packageName);
  log.debug(u"Sprawdzamy dostęp do pliku: " + db.file);
  if (const plat::Status access = databaseReplaceable(platform, db, log); !access) {
    log.debug(plat::withReason(u"Brak dostępu do pliku " + db.file, access));
    return refused({Refusal::Reason::DatabaseInUse, kDatabaseHeldMessage}, log);
  }
  log.debug(u"Dostęp do MDB poprawny");
  return std::nullopt;
}

std::optional<Refusal> checkNoInterruptedInstall(plat::Platform& platform, const Text& hostFolder,
                                                 const Text& packageName, const logs::Log& log) {
  const PackagePaths paths = packagePaths(hostFolder, packageName);
  // With its journal the install puts them right first, and checks they are its own.
  if (platform.fileExists(paths.journal)) return std::nullopt;
  if (platform.fileExists(paths.backup)) {
    return refused({Refusal::Reason::InterruptedInstall, kInterruptedInstallMessage}, log);
  }
  // Files set aside with no journal to say where they belong: only a person can tell.
  if (platform.directoryExists(paths.setAside)) {
    return refused({Refusal::Reason::InterruptedInstall, kStraySetAsideMessage}, log);
  }
  return std::nullopt;
}

namespace {

// The first link at or below path; folders that are links are not entered.
std::optional<Text> firstLink(plat::Platform& platform, const Text& folder) {
  if (platform.isLink(folder)) return folder;
  for (const Text& file : platform.filesIn(folder)) {
    if (platform.isLink(folder + u"\\" + file)) return folder + u"\\" + file;
  }
  for (const Text& sub : platform.subFolders(folder)) {
    if (std::optional<Text> link = firstLink(platform, folder + u"\\" + sub)) return link;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Refusal> checkNoLinks(plat::Platform& platform, const Text& hostFolder,
                                    const Text& packageName, const logs::Log& log) {
  const Text package =
      text::stripTrailingBackslashes(packagePaths(hostFolder, packageName).package);
  if (!platform.directoryExists(package)) return std::nullopt;
  const std::optional<Text> link = firstLink(platform, package);
  if (!link) return std::nullopt;
  return refused({Refusal::Reason::LinkInPackage,
                  u"Folder pakietu zawiera dowiązanie symboliczne lub punkt połączenia: " + *link +
                      u". Usuń je i spróbuj ponownie."},
                 log);
}

std::optional<Refusal> checkNoRunningHost(plat::Platform& platform, const logs::Log& log) {
  log.debug(u"Sprawdzamy uruchomienie applikacji CAD.");
  if (std::optional<Refusal> blocker = runningHostBlocker(platform, log)) {
    return refused(*blocker, log);
  }
  log.debug(u"Nie znaleziono uruchomionej applikacji CAD.");
  return std::nullopt;
}

std::optional<Refusal> checkPreconditions(plat::Platform& platform, const Text& hostFolder,
                                          const Text& packageName, const logs::Log& log) {
  if (auto refusal = checkNoLinks(platform, hostFolder, packageName, log)) return refusal;
  if (auto refusal = checkDatabase(platform, hostFolder, packageName, log)) return refusal;
  if (auto refusal = checkNoInterruptedInstall(platform, hostFolder, packageName, log)) {
    return refusal;
  }
  return checkNoRunningHost(platform, log);
}

std::optional<Refusal> installBlocker(plat::Platform& platform, const Text& hostFolder,
                                      const Text& packageName) {
  // The folder the install will use: the field without the blanks at its ends.
  if (!validHostFolder(platform, text::trim(hostFolder), logs::Log())) {
    return Refusal{Refusal::Reason::NoInstallation, kNoInstallationMessage};
  }
  return checkPreconditions(platform, hostFolder, packageName, logs::Log());
}

}  // namespace target
