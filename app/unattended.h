// The unattended install of "/S": the window-free steps in the window's order, no window, and
// an exit code for the script that started it.
#pragma once

#include "app/command_line.h"
#include "app/exit_code.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace app {

// Payload, package, discovery or "/D=", the folder validation, the preconditions and the install
// transaction, in a new working folder under the user's temporary folder that is removed at the
// end (kept at the debug level, as Close keeps it). Every step writes to log.
ExitCode runUnattended(plat::Platform& platform, const CommandLine& line, const logs::Log& log);

}  // namespace app
