#include "install/recovery.h"

#include "install/library_changes.h"
#include "target/preconditions.h"

namespace install {

namespace {

std::optional<target::Refusal> failed(const logs::Log& log) {
  log.important(kRecoveryFailedMessage);
  return target::Refusal{target::Refusal::Reason::RecoveryFailed, kRecoveryFailedMessage};
}

}  // namespace

std::optional<target::Refusal> recoverInterruptedInstall(plat::Platform& platform,
                                                         const Text& hostFolder,
                                                         const Text& packageName,
                                                         const logs::Log& log) {
  const target::PackagePaths paths = target::packagePaths(hostFolder, packageName);
  if (!platform.fileExists(paths.journal)) return std::nullopt;
  log.debug(u"Znaleziono dziennik przerwanej instalacji: " + paths.journal);
  // A running host may hold the files that are to be put back.
  if (std::optional<target::Refusal> running = target::checkNoRunningHost(platform, log)) {
    return running;
  }
  Journal journal;
  try {
    journal = readJournal(platform, paths.journal);
  } catch (const text::Error& e) {
    log.important(e.message());
    return failed(log);
  }
  if (!journal.plan) {
    log.debug(u"Przerwana instalacja niczego nie zmieniła. Kasujemy dziennik instalacji");
    if (const plat::Status deleted = platform.deleteFile(paths.journal); !deleted) {
      log.important(plat::withReason(u"Nie można usunąć pliku " + paths.journal, deleted));
      return failed(log);
    }
    log.important(kRolledBackMessage);
    return std::nullopt;
  }
  if (journal.committed) {
    log.debug(u"Przerwana instalacja zapisała już scaloną bazę: kończymy ją");
    if (!finishChanges(platform, paths, *journal.plan, log)) return failed(log);
    log.important(kFinishedMessage);
    return std::nullopt;
  }
  log.debug(u"Cofamy zmiany przerwanej instalacji");
  if (!rollBackChanges(platform, paths, *journal.plan, Made::ByAnEarlierRun, log)) {
    return failed(log);
  }
  log.important(kRolledBackMessage);
  return std::nullopt;
}

}  // namespace install
