// The install preconditions: the package folder's database can be replaced, and no host program
// runs. Each check returns what stops the install, the message for the user, or nothing.
#pragma once

#include <optional>

#include "platform/log.h"
#include "platform/platform.h"

namespace target {

using text::Text;

// The message that stops the install; nothing when the way is clear.
using Refusal = std::optional<Text>;

// The access test on the package folder's database; logs it, and the refusal as important.
Refusal checkDatabase(plat::Platform& platform, const Text& hostFolder, const Text& packageName,
                      const logs::Log& log);
// The running-host rule; logs the process walk, and the refusal as important.
Refusal checkNoRunningHost(plat::Platform& platform, const logs::Log& log);
// Both, in this order.
Refusal checkPreconditions(plat::Platform& platform, const Text& hostFolder,
                           const Text& packageName, const logs::Log& log);

// The folder validation and both checks again, on the folder the install will use (the text
// without blanks at its ends), logging nothing: for the moment Install is clicked, when the
// field may have changed since the checks ran.
Refusal installBlocker(plat::Platform& platform, const Text& hostFolder, const Text& packageName);

}  // namespace target
