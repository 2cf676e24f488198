// The unattended install of "/S": the window-free steps in the window's order, no window, and
// an exit code for the script that started it.
#pragma once

#include "app/command_line.h"
#include "platform/log.h"
#include "platform/platform.h"

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
};

// What the code means, for the log file's last line.
text::Text exitCodeMeaning(ExitCode code);

// Payload, package, discovery or "/D=", the folder validation, the preconditions and the install
// transaction, in a new working folder under the user's temporary folder that is removed at the
// end (kept at the debug level, as Close keeps it). Every step writes to log.
ExitCode runUnattended(plat::Platform& platform, const CommandLine& line, const logs::Log& log);

}  // namespace app
