// Retries an operation on a file that another program holds for a moment. On Windows, virus
// scanners, the search indexer and cloud-sync clients open a file just after it was written; a
// rename or a deletion of it then fails with a sharing violation that is gone a moment later.
#pragma once

#include <functional>

#include "platform/log.h"
#include "platform/platform.h"

namespace plat {

// The waits between the attempts, in milliseconds: 3.55 seconds in all.
inline constexpr unsigned kInUseWaits[] = {50, 100, 200, 400, 800, 1000, 1000};

// Runs op, and again after each wait while it fails because the file at path is in use; each
// retry is logged at the debug level. The last result: a failure still carries its reason.
Status retryWhileInUse(Platform& platform, const logs::Log& log, const Text& path,
                       const std::function<Status()>& op);

}  // namespace plat
