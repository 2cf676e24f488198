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

  Body unpackAndMerge() {
    log_.debug(u"Trwa instalowanie pakietu...");
    log_.debug(u"MDB: " + p_.database);
    const bool merged = backUpDatabase() && unpack() && mergeDatabases();
    if (exists(p_.fromPackage)) platform_.deleteFile(p_.fromPackage);
    if (merged) {
      log_.debug(u"Poprawnie zakończono instalację.");
      observer_.succeeded();
      return Body::Installed;
    }
    log_.important(u"Wystąpił błąd instalacji. Spróbuj ponownie.");
    if (!exists(p_.backup)) return Body::Restored;
    if (exists(p_.database)) {
      log_.debug(u"Kasujemy uszkodzony plik dodatki.mdb");
      platform_.deleteFile(p_.database);
    }
    const bool restored = platform_.moveFile(p_.backup, p_.database);
    log_.debug(u"Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb");
    return restored ? Body::Restored : Body::RestoreFailed;
  }

  // Unpacking now would overwrite the only copy of the database, so a failed rename stops here.
  bool backUpDatabase() {
    if (!exists(p_.database)) return true;
    log_.debug(u"zmieniamy " + p_.database + u" na dodatki_old.mdb");
    if (platform_.moveFile(p_.database, p_.backup)) return true;
    log_.important(u"Błąd zmiany nazwy pliku dodatki.mdb na dodatki_old.mdb");
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
    if (exists(p_.fromPackage) && !platform_.deleteFile(p_.fromPackage)) return false;
    if (takeUnpackedDatabase() &&
        accessorydb::mergeDatabases(platform_, {p_.fromPackage, p_.backup, p_.database}, log_)
            .merged() &&
        flushMerged()) {
      return true;
    }
    // A first install whose merge failed keeps no half-made database.
    if (!exists(p_.backup) && exists(p_.database)) platform_.deleteFile(p_.database);
    return false;
  }

  // The unpacked database becomes the package's side of the merge. A package without one is left
  // to the merge, which says what is missing.
  bool takeUnpackedDatabase() {
    if (!exists(p_.database) || platform_.moveFile(p_.database, p_.fromPackage)) return true;
    log_.important(u"Błąd zmiany nazwy pliku dodatki.mdb na dodatki_new.mdb");
    return false;
  }

  // The backup may go only once the merged database is on the disk: the system may write the
  // backup's deletion before the merged file's data, and a power cut between would leave neither.
  // The merged database then takes the previous one's read-only attribute.
  bool flushMerged() {
    if (!platform_.flushToDisk(p_.database)) {
      log_.important(u"Błąd zapisu na dysk pliku: " + p_.database);
      return false;
    }
    if (platform_.isReadOnly(p_.backup)) platform_.setReadOnlyAttribute(p_.database, true);
    return true;
  }

  // The one clean-up path, whichever way the body ended.
  Outcome cleanUp(Body body) {
    log_.debug(u"FINALLY kończymy instalację.");
    observer_.finishing(body == Body::Installed);
    Outcome outcome{
        body == Body::Installed ? Outcome::Result::Installed : Outcome::Result::Restored, {}};
    // The backup goes only after a success; otherwise it may be the only copy left.
    const bool keepBackup = body == Body::Interrupted || body == Body::RestoreFailed;
    if (exists(p_.backup)) {
      if (keepBackup) {
        log_.important(u"Wystąpił błąd instalacji. Poprzednia baza jest w pliku: " + p_.backup);
        outcome = {Outcome::Result::BackupKept, p_.backup};
      } else {
        log_.debug(u"Kasujemy niepotrzebny plik dodatki_old.mdb");
        deleteBackup();
      }
    } else if (body == Body::Interrupted) {
      log_.important(u"Wystąpił błąd instalacji. Spróbuj ponownie.");
    }
    if (exists(p_.fromPackage)) {
      log_.debug(u"Kasujemy niepotrzebny plik dodatki_new.mdb");
      platform_.deleteFile(p_.fromPackage);
    }
    return outcome;
  }

  // A backup left behind would refuse every later run as an interrupted one: say why it stays.
  void deleteBackup() {
    if (platform_.isReadOnly(p_.backup)) platform_.setReadOnlyAttribute(p_.backup, false);
    if (!platform_.deleteFile(p_.backup)) {
      log_.important(u"Nie można usunąć kopii poprzedniej bazy: " + p_.backup);
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
  if (const target::Refusal blocker =
          target::installBlocker(platform, request.hostFolder, request.packageName)) {
    log.important(*blocker);
    return {Outcome::Result::Refused, *blocker};
  }
  const PackagePaths p = target::packagePaths(request.hostFolder, request.packageName);
  // A backup left by an interrupted run may be the only copy of the host's database.
  if (platform.fileExists(p.backup)) {
    const Text message =
        u"Znaleziono plik dodatki_old.mdb z przerwanej instalacji. Przenieś go w bezpieczne "
        u"miejsce i spróbuj ponownie.";
    log.important(message);
    return {Outcome::Result::Refused, message};
  }
  if (const std::optional<Text> refusal =
          pkg::checkUnpacking(platform, request.archive, request.packageName, p.library, log)) {
    return {Outcome::Result::PackageRefused, *refusal};
  }

  observer.started();
  if (!platform.fileExists(request.archive)) {
    // The run ends here: the window must drop the gauge, which covers the message's label.
    observer.finishing(false);
    log.important(u"Wystąpił błąd instalacji. Brak pliku: " + request.archive);
    return {Outcome::Result::Restored, {}};
  }
  observer.working();
  return Transaction(platform, request, p, log, observer).run();
}

}  // namespace install
