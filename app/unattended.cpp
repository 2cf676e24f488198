#include "app/unattended.h"

#include <exception>

#include "app/payload.h"
#include "app/work_folder.h"
#include "install/session.h"
#include "platform/unexpected_error.h"
#include "target/host_layout.h"

namespace app {

namespace {

using text::num;

install::WorkFiles unattendedFiles(const Text& workFolder) {
  return {workFolder, workFolder + kArchiveName, workFolder + kCoverName};
}

// A folder of its own under the user's temporary folder: deployment tools often start in a
// folder nobody may write, and parallel runs must not share one.
Text makeUnattendedWorkFolder(plat::Platform& platform) {
  const Text base = platform.tempFolder() + u"instalator-" +
                    num(static_cast<int64_t>(platform.currentProcessId())) + u"-";
  for (int64_t n = 0; n < 1000; ++n) {
    const Text folder = base + num(n) + u"\\";
    if (platform.directoryExists(folder)) continue;
    const plat::Status made = platform.createDirectory(folder);
    if (made) return folder;
    // Another run took the name between the test and the creation: try the next one.
    if (platform.directoryExists(folder)) continue;
    throw plat::FileError(
        plat::withReason(u"Nie można utworzyć folderu roboczego: " + folder, made));
  }
  throw plat::FileError(u"Nie można utworzyć folderu roboczego: " + base + u"*");
}

// The one installation discovery finds, or nothing when it finds none or several.
std::optional<Text> discoveredHostFolder(install::Session& session, const logs::Log& log) {
  const std::vector<Text> found = session.findHosts();
  if (found.size() == 1) return target::asHostFolder(found.front());
  if (found.size() > 1) {
    log.important(u"Znaleziono " + num(static_cast<int64_t>(found.size())) +
                  u" instalacji. Wskaż folder przełącznikiem /D=");
  }
  return std::nullopt;
}

ExitCode exitOf(const target::Refusal& refusal) {
  switch (refusal.reason) {
    case target::Refusal::Reason::NoInstallation:
      return ExitCode::NoHostFolder;
    case target::Refusal::Reason::DatabaseInUse:
    case target::Refusal::Reason::HostRunning:
      return ExitCode::HostBusy;
    case target::Refusal::Reason::InterruptedInstall:
      return ExitCode::InterruptedInstall;
    case target::Refusal::Reason::ProcessListUnreadable:
      return ExitCode::ProcessListUnreadable;
    case target::Refusal::Reason::RecoveryFailed:
      return ExitCode::RecoveryFailed;
    case target::Refusal::Reason::PackageHeld:
      return ExitCode::PackageHeld;
    case target::Refusal::Reason::LinkInPackage:
      return ExitCode::LinkInPackage;
  }
  return ExitCode::HostBusy;
}

ExitCode exitOf(const install::Outcome& outcome) {
  switch (outcome.result) {
    case install::Outcome::Result::Installed:
      return ExitCode::Installed;
    case install::Outcome::Result::Refused:
      return outcome.refusal ? exitOf(*outcome.refusal) : ExitCode::HostBusy;
    case install::Outcome::Result::PackageRefused:
      return ExitCode::NoPackage;
    case install::Outcome::Result::Restored:
      return ExitCode::FailedRestored;
    case install::Outcome::Result::BackupKept:
      return ExitCode::FailedBackupKept;
    case install::Outcome::Result::Unfinished:
      return ExitCode::FailedUnfinished;
  }
  return ExitCode::FailedRestored;
}

ExitCode install(plat::Platform& platform, const CommandLine& line, const Text& workFolder,
                 const logs::Log& log) {
  try {
    copyPayload(platform, workFolder, kArchiveName, log);
  } catch (const text::Error& e) {
    log.important(e.message());
    return ExitCode::NoPackage;
  }
  install::Session session(platform, unattendedFiles(workFolder), log);
  install::DetectObserver noWindow;
  const install::PackageFound found = session.detectPackage(noWindow);
  if (!found.offered()) return ExitCode::NoPackage;

  std::optional<Text> hostFolder = line.hostFolder;
  if (hostFolder) {
    log.debug(u"Folder instalacji z przełącznika /D=: " + *hostFolder);
  } else {
    hostFolder = discoveredHostFolder(session, log);
    if (!hostFolder) return ExitCode::NoHostFolder;
  }
  if (const auto refusal = session.checkHost(*hostFolder, *found.package)) return exitOf(*refusal);

  install::Observer noProgress;
  return exitOf(session.apply(*hostFolder, *found.package, noProgress));
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
    case ExitCode::InterruptedInstall:
      return u"przerwana instalacja zostawiła plik dodatki_old.mdb lub folder dodatki_install.old";
    case ExitCode::ProcessListUnreadable:
      return u"nie można sprawdzić uruchomionych programów";
    case ExitCode::WorkFolderFailed:
      return u"nie można utworzyć folderu roboczego";
    case ExitCode::RecoveryFailed:
      return u"nie można cofnąć ani dokończyć przerwanej instalacji";
    case ExitCode::PackageHeld:
      return u"ten pakiet instaluje inny instalator";
    case ExitCode::LinkInPackage:
      return u"folder pakietu zawiera dowiązanie symboliczne";
    case ExitCode::FailedUnfinished:
      return u"instalacja nieudana, nie wszystko przywrócono: dokończy to następne uruchomienie";
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
    return ExitCode::WorkFolderFailed;
  }
  log.debug(u"Folder roboczy: " + workFolder);
  ExitCode code = ExitCode::FailedRestored;
  try {
    code = install(platform, line, workFolder, log);
  } catch (const text::Error& e) {
    // No window to report it: the log says what stopped the run.
    log.important(e.message());
  } catch (const std::exception& e) {
    logs::logUnexpectedError(log, e);
  }
  if (!line.debug) {
    const install::WorkFiles files = unattendedFiles(workFolder);
    cleanWorkFolder(platform, workFolder, {files.archive, files.cover}, log);
  }
  return code;
}

}  // namespace app
