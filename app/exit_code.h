// The installer's exit codes: what a run ended with, for the script or program that started it,
// whether it ran with a window or with "/S".
#pragma once

#include "install/install_transaction.h"
#include "platform/text.h"
#include "target/refusal.h"

namespace app {

enum class ExitCode {
  Installed = 0,
  BadCommandLine = 1,
  NoPackage = 2,       // none in the executable, or a bad one, or one that does not fit the drive
  NoHostFolder = 3,    // none or several found without "/D=", or "/D=" invalid
  HostBusy = 4,        // the host program runs, or its database is in use
  FailedRestored = 5,  // the previous database is back, or a first install left nothing
  FailedBackupKept = 6,
  LogFileFailed = 7,          // checked before anything else is touched
  InterruptedInstall = 8,     // an interrupted install left dodatki_old.mdb or dodatki_install.old
  ProcessListUnreadable = 9,  // nobody can tell whether the host program runs
  WorkFolderFailed = 10,      // the working folder under the user's temporary folder
  RecoveryFailed = 11,        // an interrupted install's journal could not be put right
  PackageHeld = 12,           // another installer works in the package folder
  FailedUnfinished = 13,      // not everything is back: the journal stays for the next run
  LinkInPackage = 14,         // the package folder is or holds a symbolic link or a junction
  NotInstalled = 15,          // the window closed with Install offered and not clicked
  StoppedUnchanged = 16,      // an error no step could name stopped the run; nothing was touched
};

// What the code means, for the log file's last line.
text::Text exitCodeMeaning(ExitCode code);

// The code of a refusal, and of what an install ended with: the same for "/S" and the window.
ExitCode exitOf(const target::Refusal& refusal);
ExitCode exitOf(const install::Outcome& outcome);

}  // namespace app
