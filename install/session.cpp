#include "install/session.h"

#include <exception>

#include "archive/package_archive.h"
#include "archive/package_layout.h"
#include "install/package_hold.h"
#include "install/recovery.h"
#include "target/discovery.h"
#include "target/folder_choice.h"
#include "target/host_layout.h"
#include "target/preconditions.h"

namespace install {

PackageFound Session::detectPackage(DetectObserver& observer) {
  PackageFound found;
  if (platform_.fileExists(files_.archive.path)) {
    log_.debug(u"Znaleziono: `" + files_.archive.path + u"`");
    found = searchPackage(observer);
    // A refusal's line stays the last word: no cover is looked for, or none is taken.
    if (found.refusal) return found;
    if (found.package) found.refusal = takeCover(*found.package);
    if (found.refusal) return found;
  } else {
    log_.important(u"Brak danych pakietu !");
  }
  found.cover = platform_.fileExists(files_.cover);
  if (!found.cover) {
    log_.important(u"Brak pakietu do instalacji !");
  } else {
    found.coverError = pictureError(files_.cover);
  }
  return found;
}

std::optional<Text> Session::pictureError(const Text& path) {
  try {
    (void)platform_.pictureSize(path);
    return std::nullopt;
  } catch (const text::Error& e) {
    return e.message();
  }
}

PackageFound Session::searchPackage(DetectObserver& observer) {
  log_.debug(u"Wyszukiwanie paczek instalacyjnych.");
  observer.searching();
  // A folder that cannot be made shows up below as an archive that is not there.
  if (!platform_.directoryExists(files_.folder)) (void)platform_.createDirectory(files_.folder);
  const pkg::PackageSearch search = pkg::searchPackage(platform_, files_.archive, log_);
  return {search.archiveFound, search.package, false, std::nullopt, search.refusal};
}

std::optional<Text> Session::takeCover(const Text& package) {
  const Text coverName = files_.cover.substr(files_.folder.size());
  if (platform_.fileExists(files_.cover) && platform_.deleteFile(files_.cover)) {
    log_.debug(u"Usunięto stary plik okładki. [" + coverName + u"]");
  }
  const Text entry = pkg::coverEntry(package);
  // The working folder lies on the drive of the user's temporary folder, often not the library's.
  if (std::optional<Text> refusal =
          pkg::checkEntryRoom(platform_, files_.archive, entry, files_.folder,
                              u"okładka pakietu w folderze roboczym " + files_.folder, log_)) {
    return refusal;
  }
  if (!pkg::extractEntry(platform_, files_.archive, files_.folder, entry, log_)) {
    log_.important(u"Brak okładki pakietu !");
    return std::nullopt;
  }
  // A cover that keeps its entry's name is not shown: the detection then says there is no
  // package to install.
  if (const plat::Status moved = platform_.moveFile(files_.folder + entry, files_.cover); !moved) {
    log_.debug(plat::withReason(u"Błąd zmiany nazwy pliku " + entry + u" na " + coverName, moved));
  }
  return std::nullopt;
}

HostDiscovery Session::discoverHosts() {
  HostDiscovery hosts{target::findInstallations(platform_, log_), std::nullopt};
  if (!hosts.found.empty()) hosts.proposal = target::asHostFolder(hosts.found.front());
  return hosts;
}

std::optional<target::Refusal> Session::refuseUnconfirmed(const HostDiscovery& hosts) {
  if (hosts.found.empty()) {
    return target::Refusal{target::Refusal::Reason::NoInstallation, target::kNoInstallationMessage};
  }
  if (hosts.found.size() == 1) return std::nullopt;
  const target::Refusal refusal{target::Refusal::Reason::SeveralInstallations,
                                u"Znaleziono " +
                                    text::num(static_cast<int64_t>(hosts.found.size())) +
                                    u" instalacji. Wskaż folder przełącznikiem /D="};
  log_.important(refusal.message);
  return refusal;
}

std::optional<target::Refusal> Session::checkFolder(const Text& hostFolder) {
  if (target::validHostFolder(platform_, hostFolder, log_)) return std::nullopt;
  return target::Refusal{target::Refusal::Reason::NoInstallation,
                         u"Błędny folder instalacji: " + hostFolder};
}

std::optional<target::Refusal> Session::checkHost(const Text& hostFolder, const Text& package) {
  if (std::optional<target::Refusal> refusal = checkFolder(hostFolder)) {
    log_.important(refusal->message);
    return refusal;
  }
  return checkInstall(hostFolder, package);
}

std::optional<target::Refusal> Session::checkInstall(const Text& hostFolder, const Text& package) {
  // The database's rename test must not meet another installer's run in the same folder.
  const PackageHold hold = holdPackage(platform_, hostFolder, package, log_);
  if (hold.refusal) return hold.refusal;
  return target::checkPreconditions(platform_, hostFolder, package, log_);
}

Outcome Session::apply(const Text& hostFolder, const Text& package, Observer& observer) {
  // Held until the run ends: a journal read without the hold may be another run's live one.
  std::optional<PackageHold> hold;
  try {
    hold = holdPackage(platform_, hostFolder, package, log_);
  } catch (const std::exception& e) {
    return refusedByUnexpectedError(log_, e, target::Refusal::Reason::UnexpectedError);
  }
  if (hold->refusal) return Outcome::refusedBy(*hold->refusal);
  // The folder may have changed since it was checked, to one an earlier run left unfinished.
  try {
    if (auto refusal = recoverInterruptedInstall(platform_, hostFolder, package, log_)) {
      return Outcome::refusedBy(*refusal);
    }
  } catch (const std::exception& e) {
    // The journal stays, and with it what the recovery had still to do.
    return refusedByUnexpectedError(log_, e, target::Refusal::Reason::RecoveryFailed);
  }
  return run(platform_, {hostFolder, package, files_.archive}, log_, observer);
}

}  // namespace install
