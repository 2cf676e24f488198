#include "app/unattended.h"

#include <exception>

#include "app/payload.h"
#include "app/work_folder.h"
#include "archive/package_archive.h"
#include "install/install_transaction.h"
#include "target/discovery.h"
#include "target/folder_choice.h"
#include "target/host_layout.h"
#include "target/preconditions.h"

namespace app {

namespace {

using text::num;

// A folder of its own under the user's temporary folder: deployment tools often start in a
// folder nobody may write, and parallel runs must not share one.
Text makeUnattendedWorkFolder(plat::Platform& platform) {
  const Text base = platform.tempFolder() + u"instalator-" +
                    num(static_cast<int64_t>(platform.currentProcessId())) + u"-";
  for (int64_t n = 0; n < 1000; ++n) {
    const Text folder = base + num(n) + u"\\";
    if (!platform.directoryExists(folder) && platform.createDirectory(folder)) return folder;
  }
  throw plat::FileError(u"Nie można utworzyć folderu roboczego: " + base + u"*");
}

// The one installation discovery finds, or nothing when it finds none or several.
std::optional<Text> discoveredHostFolder(plat::Platform& platform, const logs::Log& log) {
  const std::vector<Text> found = target::findInstallations(platform, log);
  if (found.size() == 1) return target::asHostFolder(found.front());
  if (found.size() > 1) {
    log.important(u"Znaleziono " + num(static_cast<int64_t>(found.size())) +
                  u" instalacji. Wskaż folder przełącznikiem /D=");
  }
  return std::nullopt;
}

ExitCode exitOf(const install::Outcome& outcome) {
  switch (outcome.result) {
    case install::Outcome::Result::Installed:
      return ExitCode::Installed;
    case install::Outcome::Result::Refused:
      return ExitCode::HostBusy;
    case install::Outcome::Result::PackageRefused:
      return ExitCode::NoPackage;
    case install::Outcome::Result::Restored:
      return ExitCode::FailedRestored;
    case install::Outcome::Result::BackupKept:
      return ExitCode::FailedBackupKept;
  }
  return ExitCode::FailedRestored;
}

ExitCode install(plat::Platform& platform, const CommandLine& line, const Text& workFolder,
                 const logs::Log& log) {
  const Text archive = workFolder + kArchiveName;
  try {
    copyPayload(platform, workFolder, kArchiveName, log);
  } catch (const text::Error& e) {
    log.important(e.message());
    return ExitCode::NoPackage;
  }
  if (!platform.fileExists(archive)) {
    log.important(u"Brak danych pakietu !");
    return ExitCode::NoPackage;
  }
  const pkg::PackageSearch search = pkg::searchPackage(platform, archive, log);
  if (!search.package) return ExitCode::NoPackage;

  std::optional<Text> hostFolder = line.hostFolder;
  if (hostFolder) {
    log.debug(u"Folder instalacji z przełącznika /D=: " + *hostFolder);
  } else {
    hostFolder = discoveredHostFolder(platform, log);
    if (!hostFolder) return ExitCode::NoHostFolder;
  }
  if (!target::validHostFolder(platform, *hostFolder, log)) {
    log.important(u"Błędny folder instalacji: " + *hostFolder);
    return ExitCode::NoHostFolder;
  }
  if (target::checkPreconditions(platform, *hostFolder, *search.package, log)) {
    return ExitCode::HostBusy;
  }

  install::Observer noWindow;
  return exitOf(install::run(platform, {*hostFolder, *search.package, archive}, log, noWindow));
}

}  // namespace

Text exitCodeMeaning(ExitCode code) {
  switch (code) {
    case ExitCode::Installed:
      return u"zainstalowano";
    case ExitCode::BadCommandLine:
      return u"błędny wiersz poleceń";
    case ExitCode::NoPackage:
      return u"brak pakietu, pakiet uszkodzony lub odrzucony";
    case ExitCode::NoHostFolder:
      return u"brak poprawnego folderu instalacji";
    case ExitCode::HostBusy:
      return u"program działa lub jego baza jest w użyciu";
    case ExitCode::FailedRestored:
      return u"instalacja nieudana, poprzednia baza na miejscu";
    case ExitCode::FailedBackupKept:
      return u"instalacja nieudana, poprzednia baza zachowana jako dodatki_old.mdb";
    case ExitCode::LogFileFailed:
      return u"nie można utworzyć pliku dziennika";
  }
  return {};
}

ExitCode runUnattended(plat::Platform& platform, const CommandLine& line, const logs::Log& log) {
  log.debug(u"Instalacja bez okna.");
  Text workFolder;
  try {
    workFolder = makeUnattendedWorkFolder(platform);
  } catch (const text::Error& e) {
    log.important(e.message());
    return ExitCode::NoPackage;
  }
  log.debug(u"Folder roboczy: " + workFolder);
  ExitCode code = ExitCode::FailedRestored;
  try {
    code = install(platform, line, workFolder, log);
  } catch (const std::exception& e) {
    // No window to report it: the log says what stopped the run.
    log.important(text::fromUtf8(e.what()));
  }
  if (!line.debug) cleanWorkFolder(platform, workFolder, {workFolder + kArchiveName});
  return code;
}

}  // namespace app
