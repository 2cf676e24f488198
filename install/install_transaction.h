// The install transaction: back up the package's database, unpack the package, merge the
// databases, then finish or put the backup back. The host's database is never left without a
// copy: when the backup cannot be put back, the outcome names where it is.
#pragma once

#include <exception>
#include <optional>

#include "archive/archive_source.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "target/refusal.h"

namespace install {

using text::Text;

struct Request {
  Text hostFolder;                // as the folder field holds it
  Text packageName;               // the package folder's name
  zipkit::ArchiveSource archive;  // the package archive, where it lies
};

struct Outcome {
  enum class Result {
    Installed,
    Refused,         // nothing was touched; detail is the message for the user
    PackageRefused,  // as Refused, for the package itself: its rules, or no room for it
    Restored,    // failed; the package folder's database is as it was (put back, or never moved)
    BackupKept,  // failed; the previous database is in the file named by detail
    Unfinished,  // failed, and not everything is back: the journal stays for the next start
  };
  Result result = Result::Restored;
  Text detail;
  std::optional<target::Refusal> refusal;  // what stopped a refused run

  // A refusal before anything was touched, with its reason: every refused run names one.
  static Outcome refusedBy(const target::Refusal& refusal) {
    return {Result::Refused, refusal.message, refusal};
  }

  bool installed() const { return result == Result::Installed; }
  bool refused() const { return result == Result::Refused || result == Result::PackageRefused; }
};

// An error nobody named, met where the disk is as the reason says: logged, and the refusal.
Outcome refusedByUnexpectedError(const logs::Log& log, const std::exception& error,
                                 target::Refusal::Reason reason);

// What a window shows of a run as it goes; a run without a window ignores it all.
class Observer {
 public:
  virtual ~Observer() = default;
  // The checks passed and the run begins.
  virtual void started() {}
  // The archive is there: from here on the run must not be interrupted.
  virtual void working() {}
  // Unpacking, in whole percent.
  virtual void unpacking(int /*percent*/) {}
  // The package is installed; its side files are still to be cleaned up.
  virtual void succeeded() {}
  // The clean-up begins, after a success or not.
  virtual void finishing(bool /*success*/) {}
};

// One install. Re-checks the folder and the preconditions first and refuses, touching nothing,
// when they no longer hold, when a backup left by an interrupted run lies in the package folder,
// or when the package breaks the package rules or would not fit on the drive. Every step and
// failure is logged.
Outcome run(plat::Platform& platform, const Request& request, const logs::Log& log,
            Observer& observer);

}  // namespace install
