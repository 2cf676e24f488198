#include "install/install_transaction.h"

#include <exception>

#include "accessorydb/mdb_merge.h"
#include "archive/package_archive.h"
#include "install/library_changes.h"
#include "platform/in_use_retry.h"
#include "platform/unexpected_error.h"
#include "target/package_paths.h"
#include "target/preconditions.h"

namespace install {

namespace {

using target::PackagePaths;

const Text kUnfinishedRollBackMessage =
    u"Wystąpił błąd instalacji. Nie wszystko udało się przywrócić: następne uruchomienie "
    u"instalatora dokończy przywracanie.";

// How the body of a run ended; the clean-up goes by it alone.
enum class Body {
  Installed,
  Unchanged,      // failed before the journal was written: nothing was changed
  Undecided,      // the commit record may or may not be on the disk: the journal decides later
  Restored,       // failed, and the package folder is as it was
  RestoreFailed,  // failed, and something could not be put back: the journal stays
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
      // Past the commit record the install is complete, whatever failed after it.
      body = committed_ ? Body::Installed : Body::Interrupted;
    }
    try {
      return cleanUp(body);
    } catch (const std::exception& e) {
      logs::logUnexpectedError(log_, e);
      // A rollback or a clean-up cut short: the journal, while it stays, says what is left.
      if (committed_) return {Outcome::Result::Installed, {}, {}};
      if (!plan_) return {Outcome::Result::Restored, {}, {}};
      log_.important(kUnfinishedRollBackMessage);
      return {Outcome::Result::Unfinished, {}, {}};
    }
  }

 private:
  bool exists(const Text& path) { return platform_.fileExists(path); }

  // The installer's own files, and the database it is about to rename: another program (a virus
  // scanner, an indexer) may hold one for a moment.
  plat::Status retried(const Text& path, const std::function<plat::Status()>& op) {
    return plat::retryWhileInUse(platform_, log_, path, op);
  }

  // Deletes a file; a failure is logged as important with the system's reason.
  bool remove(const Text& path) {
    const plat::Status deleted = retried(path, [&] { return platform_.deleteFile(path); });
    if (!deleted) log_.important(plat::withReason(u"Nie można usunąć pliku " + path, deleted));
    return deleted.ok();
  }

  Body unpackAndMerge() {
    log_.debug(u"Trwa instalowanie pakietu...");
    log_.debug(u"MDB: " + p_.database);
    if (!journalPlan()) {
      log_.important(u"Wystąpił błąd instalacji. Spróbuj ponownie.");
      return Body::Unchanged;
    }
    const bool merged = backUpDatabase() && setAside(platform_, p_, *plan_, log_) && unpack() &&
                        mergeDatabases() && flushUnpacked(platform_, p_, *plan_, log_) && commit();
    if (merged) {
      // The clean-up tries again, and logs why, should this deletion fail. A rollback needs it:
      // beside it, the merge's output may go.
      if (exists(p_.fromPackage)) {
        (void)retried(p_.fromPackage, [&] { return platform_.deleteFile(p_.fromPackage); });
      }
      log_.debug(u"Poprawnie zakończono instalację.");
      observer_.succeeded();
      return Body::Installed;
    }
    if (undecided_) return Body::Undecided;
    log_.important(u"Wystąpił błąd instalacji. Spróbuj ponownie.");
    return rollBack();
  }

  // What the run will change, journaled before the first change: nothing changes without it.
  bool journalPlan() {
    try {
      const std::optional<zipkit::ZipReader::Declared> database =
          pkg::declaredDatabase(platform_, request_.archive, request_.packageName);
      plan_ = planChanges(
          platform_, p_,
          pkg::unpackTargets(platform_, request_.archive, p_.library, request_.packageName),
          database ? FileIdentity{database->size, database->crc} : FileIdentity{});
    } catch (const text::Error& e) {
      log_.important(e.message());
      return false;
    }
    if (beginChanges(platform_, p_, *plan_, log_)) return true;
    plan_.reset();
    return false;
  }

  Body rollBack() {
    const bool restored = rollBackChanges(platform_, p_, *plan_, Made::ByThisRun, log_);
    plan_.reset();
    return restored ? Body::Restored : Body::RestoreFailed;
  }

  // Unpacking now would overwrite the only copy of the database, so a failed rename stops here.
  bool backUpDatabase() {
    if (!exists(p_.database)) return true;
    log_.debug(u"zmieniamy " + p_.database + u" na dodatki_old.mdb");
    const plat::Status moved =
        retried(p_.database, [&] { return platform_.moveFile(p_.database, p_.backup); });
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
    if (exists(p_.fromPackage) && !remove(p_.fromPackage)) return false;
    return takeUnpackedDatabase() &&
           accessorydb::mergeDatabases(platform_, {p_.fromPackage, p_.backup, p_.database}, log_)
               .merged() &&
           flushMerged();
  }

  // The unpacked database becomes the package's side of the merge. A package without one is left
  // to the merge, which says what is missing.
  bool takeUnpackedDatabase() {
    if (!exists(p_.database)) return true;
    const plat::Status moved =
        retried(p_.database, [&] { return platform_.moveFile(p_.database, p_.fromPackage); });
    if (moved) return true;
    log_.important(
        plat::withReason(u"Błąd zmiany nazwy pliku dodatki.mdb na dodatki_new.mdb", moved));
    return false;
  }

  // The backup may go only once the merged database is on the disk: the system may write the
  // backup's deletion before the merged file's data, and a power cut between would leave neither.
  bool flushMerged() {
    if (const plat::Status flushed = platform_.flushToDisk(p_.database); !flushed) {
      log_.important(plat::withReason(u"Błąd zapisu na dysk pliku: " + p_.database, flushed));
      return false;
    }
    return true;
  }

  // From here the install is complete: what was set aside may go. A record that may have
  // reached the disk is taken back before a rollback; when that fails too, neither way is
  // safe, and the next start goes by what the disk holds.
  bool commit() {
    log_.debug(u"Zapisujemy w dzienniku zakończenie instalacji");
    const plat::Status committed = commitJournal(platform_, p_.journal);
    if (committed) {
      committed_ = true;
      return true;
    }
    log_.important(plat::withReason(u"Błąd zapisu dziennika instalacji: " + p_.journal, committed));
    if (const plat::Status undone = writeJournal(platform_, p_.journal, *plan_); !undone) {
      log_.important(plat::withReason(u"Błąd zapisu dziennika instalacji: " + p_.journal, undone));
      undecided_ = true;
    }
    return false;
  }

  // The one clean-up path, whichever way the body ended.
  Outcome cleanUp(Body body) {
    log_.debug(u"FINALLY kończymy instalację.");
    observer_.finishing(body == Body::Installed);
    // An error nobody named may have stopped the run anywhere: the journal says what to undo.
    if (body == Body::Interrupted) {
      log_.important(u"Wystąpił błąd instalacji. Spróbuj ponownie.");
      body = plan_ ? rollBack() : Body::Unchanged;
    }
    if (body == Body::Installed) {
      // What is left to delete the next start deletes, as the journal stays until it is gone.
      (void)finishChanges(platform_, p_, *plan_, log_);
      return {Outcome::Result::Installed, {}, {}};
    }
    if (body == Body::RestoreFailed && exists(p_.backup)) {
      log_.important(u"Wystąpił błąd instalacji. Poprzednia baza jest w pliku: " + p_.backup);
      return {Outcome::Result::BackupKept, p_.backup, {}};
    }
    if (body == Body::RestoreFailed || body == Body::Undecided) {
      log_.important(kUnfinishedRollBackMessage);
      return {Outcome::Result::Unfinished, {}, {}};
    }
    return {Outcome::Result::Restored, {}, {}};
  }

  plat::Platform& platform_;
  const Request& request_;
  const PackagePaths& p_;
  const logs::Log& log_;
  Observer& observer_;
  std::optional<LibraryPlan> plan_;  // the journaled plan, until it is rolled back
  bool committed_ = false;           // the commit record is on the disk
  bool undecided_ = false;           // a commit record that failed may be on the disk
};

}  // namespace

namespace {

// What stops the run before anything is touched: the folder, the preconditions, the package's
// rules and its room on the drive.
std::optional<Outcome> checkBeforeTouching(plat::Platform& platform, const Request& request,
                                           const PackagePaths& p, const logs::Log& log) {
  // The folder may have changed since the checks ran: check it again, without a log line.
  if (const std::optional<target::Refusal> blocker =
          target::installBlocker(platform, request.hostFolder, request.packageName)) {
    log.important(blocker->message);
    return Outcome::refusedBy(*blocker);
  }
  if (const std::optional<Text> refusal =
          pkg::checkUnpacking(platform, request.archive, request.packageName, p.library, log)) {
    return Outcome{Outcome::Result::PackageRefused, *refusal, std::nullopt};
  }
  return std::nullopt;
}

}  // namespace

Outcome refusedByUnexpectedError(const logs::Log& log, const std::exception& error,
                                 target::Refusal::Reason reason) {
  return Outcome::refusedBy({reason, logs::logUnexpectedError(log, error)});
}

Outcome run(plat::Platform& platform, const Request& request, const logs::Log& log,
            Observer& observer) {
  const PackagePaths p = target::packagePaths(request.hostFolder, request.packageName);
  try {
    if (std::optional<Outcome> refused = checkBeforeTouching(platform, request, p, log)) {
      return *refused;
    }
  } catch (const std::exception& e) {
    return refusedByUnexpectedError(log, e, target::Refusal::Reason::UnexpectedError);
  }

  observer.started();
  if (!platform.fileExists(request.archive.path)) {
    // The run ends here: the window must drop the gauge, which covers the message's label.
    observer.finishing(false);
    log.important(u"Wystąpił błąd instalacji. Brak pliku: " + request.archive.path);
    return {Outcome::Result::Restored, {}, {}};
  }
  observer.working();
  return Transaction(platform, request, p, log, observer).run();
}

}  // namespace install
