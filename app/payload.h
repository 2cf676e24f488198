// The payload step: finds the package archive carried at the end of the installer's own
// executable, where it is read as it lies: a package of hundreds of megabytes is never copied.
// It needs no window.
#pragma once

#include <optional>

#include "archive/archive_source.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace app {

using text::Text;

// Where the archive lies in the executable; nothing, with "no package" logged as important, when
// the executable carries none. The trailer passes through a transient file in workFolder. Errors
// of the files (an executable that cannot be read, a working folder that cannot be written)
// propagate.
std::optional<zipkit::ArchiveSource> locatePayload(plat::Platform& platform, const Text& workFolder,
                                                   const logs::Log& log);

}  // namespace app
