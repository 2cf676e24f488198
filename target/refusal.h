// What stops an install before anything is touched: the reason, and the message for the user.
#pragma once

#include "platform/text.h"

namespace target {

using text::Text;

// What stops an install. Each kind has its own exit code in a run without a window.
struct Refusal {
  enum class Reason {
    NoInstallation,         // the folder holds no library folder
    SeveralInstallations,   // several were found, and nobody is there to choose
    DatabaseInUse,          // the package folder's database cannot be renamed
    InterruptedInstall,     // a backup left by an interrupted install lies in the package folder
    HostRunning,            // a host program runs
    ProcessListUnreadable,  // the running programs cannot be listed
    RecoveryFailed,         // an interrupted install's journal could not be rolled back or finished
    PackageHeld,            // another installer works in the package folder, or it cannot be held
    LinkInPackage,          // the package folder is or holds a symbolic link or a junction
    UnexpectedError,        // an error no step could name, met before anything was touched
  };
  Reason reason;
  Text message;  // for the user

  bool operator==(const Refusal&) const = default;
};

}  // namespace target
