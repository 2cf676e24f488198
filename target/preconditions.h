// The install preconditions: the package folder's database can be replaced, no install was left
// half done there, and no host program runs. Each check returns what stops the install, with its
// reason and the message for the user, or nothing.
#pragma once

#include <optional>

#include "platform/log.h"
#include "platform/platform.h"
#include "target/refusal.h"

namespace target {

using text::Text;

// The access test on the package folder's database; logs it, and the refusal as important.
std::optional<Refusal> checkDatabase(plat::Platform& platform, const Text& hostFolder,
                                     const Text& packageName, const logs::Log& log);
// A backup or a set-aside folder left by an interrupted install without its journal may hold the
// only copy of the host's files: no install may go on over it. With a journal they are the
// install's to put right. Logs the refusal as important.
std::optional<Refusal> checkNoInterruptedInstall(plat::Platform& platform, const Text& hostFolder,
                                                 const Text& packageName, const logs::Log& log);
// A link in the package folder would take a deletion, a rename or a write somewhere outside it:
// the package folder and everything below it must be no link. Logs the refusal as important.
std::optional<Refusal> checkNoLinks(plat::Platform& platform, const Text& hostFolder,
                                    const Text& packageName, const logs::Log& log);
// The running-host rule; logs the process walk, and the refusal as important.
std::optional<Refusal> checkNoRunningHost(plat::Platform& platform, const logs::Log& log);
// All four, the links first (nothing else may touch a folder that holds one), then the others in
// this order.
std::optional<Refusal> checkPreconditions(plat::Platform& platform, const Text& hostFolder,
                                          const Text& packageName, const logs::Log& log);

// The folder validation and the checks again, on the folder the install will use (the text
// without blanks at its ends), logging nothing: for the moment Install is clicked, when the
// field may have changed since the checks ran.
std::optional<Refusal> installBlocker(plat::Platform& platform, const Text& hostFolder,
                                      const Text& packageName);

}  // namespace target
