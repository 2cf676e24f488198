// The payload step: copies the package archive carried at the end of the installer's own
// executable into the working folder. It needs no window.
#pragma once

#include "platform/log.h"
#include "platform/platform.h"

namespace app {

using text::Text;

// Writes the archive to workFolder + archiveName; logs "no package" as important when the
// executable carries none. Errors of the files (an executable cut short, a working folder that
// cannot be written) propagate.
void copyPayload(plat::Platform& platform, const Text& workFolder, const Text& archiveName,
                 const logs::Log& log);

}  // namespace app
