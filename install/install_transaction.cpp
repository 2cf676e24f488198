#include "install/install_transaction.h"

#include <exception>

#include "accessorydb/mdb_merge.h"
#include "archive/package_archive.h"
#include "platform/unexpected_error.h"
#include "target/package_paths.h"
#include "target/preconditions.h"

namespace install {

namespace {

using target::PackagePaths;

// How the body of a run ended; the clean-up goes by it alone.
enum class Body {
  Installed,
  Restored,       // failed, and the database is as it was
  RestoreFailed,  // failed, and the backup could not be put back
  Interrupted,    // an error nobody named stopped it somewhere
};

class Transaction {
 public:
  Transaction(plat::Platform& platform, const Request& request, const PackagePaths& paths,
              const logs::Log& log, Observer& observer)
      : platform_(platform), request_(request), p_(paths), log_(log), observer_(observer) {}

  Outcome run() {
    Body body = Body::Interrupted;
    try {
      body = unpackAndMerge();
    } catch (const std::exception& e) {
      logs::logUnexpectedError(log_, e);
      body = Body::Interrupted;
    }
    return cleanUp(body);
  }

 private:
  bool exists(const Text& path) { return platform_.fileExists(path); }

  // Deletes a file; a failure is logged at the given level with the system's reason.
  bool remove(const Text& path, int32_t failureLevel) {
    const plat::Status deleted = platform_.deleteFile(path);
    if (!deleted)
      log_.write(failureLevel, plat::withReason(u"Nie można usunąć pliku " + path, deleted));
    return deleted.ok();
  }

  Body unpackAndMerge() {
    log_.debug(u"Trwa instalowanie pakietu...");
    log_.debug(u"MDB: " + p_.database);
    // Without a database before the run, whatever database a failed run leaves is the package's.
    const bool firstInstall = !exists(p_.database);
    const bool merged = backUpDatabase() && unpack() && mergeDatabases();
    // The clean-up tries again, and logs why, should this deletion fail.
    if (exists(p_.fromPackage)) (void)platform_.deleteFile(p_.fromPackage);
    if (merged) {
      log_.debug(u"Poprawnie zakończono instalację.");
      observer_.succeeded();
      return Body::Installed;
    }
    log_.important(u"Wystąpił błąd instalacji. Spróbuj ponownie.");
    if (firstInstall) return dropPackageDatabase();
    if (!exists(p_.backup)) return Body::Restored;
    if (exists(p_.database)) {
      log_.debug(u"Kasujemy uszkodzony plik dodatki.mdb");
      // The rename below then fails on the file that stayed, and says why.
      remove(p_.database, logs::DEBUG);
    }
    const plat::Status restored = platform_.moveFile(p_.backup, p_.database);
    log_.debug(u"Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb");
    if (restored) return Body::Restored;
    log_.important(
        plat::withReason(u"Błąd zmiany nazwy pliku dodatki_old.mdb na dodatki.mdb", restored));
    return Body::RestoreFailed;
  }

  // A failed first install leaves no database: one the extraction wrote is the package's own,
  // deletion markers included, and the host must not take it for a merged one.
  Body dropPackageDatabase() {
    if (exists(p_.database)) {
      log_.debug(u"Kasujemy plik dodatki.mdb nieudanej pierwszej instalacji");
      remove(p_.database, logs::IMPORTANT);
    }
    return Body::Restored;
  }

  // Unpacking now would overwrite the only copy of the database, so a failed rename stops here.
  bool backUpDatabase() {
    if (!exists(p_.database)) return true;
    log_.debug(u"zmieniamy " + p_.database + u" na dodatki_old.mdb");
    const plat::Status moved = platform_.moveFile(p_.database, p_.backup);
    if (moved) return true;
    log_.important(
        plat::withReason(u"Błąd zmiany nazwy pliku dodatki.mdb na dodatki_old.mdb", moved));
    return false;
  }

  bool unpack() {
    log_.debug(u"Zaczynamy rozpakowywanie pliku ZIP do: " + p_.library);
    return pkg::extractPackage(platform_, request_.archive, p_.library, request_.packageName, log_,
                               [this](int percent) { observer_.unpacking(percent); });
  }

  bool mergeDatabases() {
    log_.debug(u"Zaczynamy obsługę bazy dodatki.mdb");
    // A leftover of an interrupted run must never be merged as the package's database.
    if (exists(p_.fromPackage) && !remove(p_.fromPackage, logs::IMPORTANT)) return false;
    return takeUnpackedDatabase() &&
           accessorydb::mergeDatabases(platform_, {p_.fromPackage, p_.backup, p_.database}, log_)
               .merged() &&
           flushMerged();
  }

  // The unpacked database becomes the package's side of the merge. A package without one is left
  // to the merge, which says what is missing.
  bool takeUnpackedDatabase() {
    if (!exists(p_.database)) return true;
    const plat::Status moved = platform_.moveFile(p_.database, p_.fromPackage);
    if (moved) return true;
    log_.important(
        plat::withReason(u"Błąd zmiany nazwy pliku dodatki.mdb na dodatki_new.mdb", moved));
    return false;
  }

  // The backup may go only once the merged database is on the disk: the system may write the
  // backup's deletion before the merged file's data, and a power cut between would leave neither.
  // The merged database then takes the previous one's read-only attribute.
  bool flushMerged() {
    if (const plat::Status flushed = platform_.flushToDisk(p_.database); !flushed) {
      log_.important(plat::withReason(u"Błąd zapisu na dysk pliku: " + p_.database, flushed));
      return false;
    }
    if (!platform_.isReadOnly(p_.backup)) return true;
    // The merged database is complete either way; only its attribute differs from before.
    if (const plat::Status set = platform_.setReadOnlyAttribute(p_.database, true); !set) {
      log_.debug(plat::withReason(
          u"Nie można ustawić atrybutu tylko do odczytu pliku " + p_.database, set));
    }
    return true;
  }

  // The one clean-up path, whichever way the body ended.
  Outcome cleanUp(Body body) {
    log_.debug(u"FINALLY kończymy instalację.");
    observer_.finishing(body == Body::Installed);
    Outcome outcome{
        body == Body::Installed ? Outcome::Result::Installed : Outcome::Result::Restored, {}, {}};
    // The backup goes only after a success; otherwise it may be the only copy left.
    const bool keepBackup = body == Body::Interrupted || body == Body::RestoreFailed;
    if (exists(p_.backup)) {
      if (keepBackup) {
        log_.important(u"Wystąpił błąd instalacji. Poprzednia baza jest w pliku: " + p_.backup);
        outcome = {Outcome::Result::BackupKept, p_.backup, {}};
      } else {
        log_.debug(u"Kasujemy niepotrzebny plik dodatki_old.mdb");
        deleteBackup();
      }
    } else if (body == Body::Interrupted) {
      log_.important(u"Wystąpił błąd instalacji. Spróbuj ponownie.");
    }
    if (exists(p_.fromPackage)) {
      log_.debug(u"Kasujemy niepotrzebny plik dodatki_new.mdb");
      // The next run deletes it before its merge, or refuses and says why.
      remove(p_.fromPackage, logs::DEBUG);
    }
    return outcome;
  }

  // A backup left behind would refuse every later run as an interrupted one: say why it stays.
  void deleteBackup() {
    // Should the attribute stay, the deletion fails on it and says why.
    if (platform_.isReadOnly(p_.backup)) (void)platform_.setReadOnlyAttribute(p_.backup, false);
    if (const plat::Status deleted = platform_.deleteFile(p_.backup); !deleted) {
      log_.important(
          plat::withReason(u"Nie można usunąć kopii poprzedniej bazy: " + p_.backup, deleted));
    }
  }

  plat::Platform& platform_;
  const Request& request_;
  const PackagePaths& p_;
  const logs::Log& log_;
  Observer& observer_;
};

}  // namespace

Outcome run(plat::Platform& platform, const Request& request, const logs::Log& log,
            Observer& observer) {
  // The folder may have changed since the checks ran: check it again, without a log line.
  if (const std::optional<target::Refusal> blocker =
          target::installBlocker(platform, request.hostFolder, request.packageName)) {
    log.important(blocker->message);
    return {Outcome::Result::Refused, blocker->message, blocker};
  }
  const PackagePaths p = target::packagePaths(request.hostFolder, request.packageName);
  if (const std::optional<Text> refusal =
          pkg::checkUnpacking(platform, request.archive, request.packageName, p.library, log)) {
    return {Outcome::Result::PackageRefused, *refusal, std::nullopt};
  }

  observer.started();
  if (!platform.fileExists(request.archive)) {
    // The run ends here: the window must drop the gauge, which covers the message's label.
    observer.finishing(false);
    log.important(u"Wystąpił błąd instalacji. Brak pliku: " + request.archive);
    return {Outcome::Result::Restored, {}, {}};
  }
  observer.working();
  return Transaction(platform, request, p, log, observer).run();
}

}  // namespace install
