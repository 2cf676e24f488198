// The working folder "tmp" under the current directory, where the installer keeps the package
// archive and the cover while it runs.
#pragma once

#include <vector>

#include "platform/log.h"
#include "platform/platform.h"

namespace app {

using text::Text;

// The names of the installer's files in it.
inline const Text kArchiveName = u"packages.zip";
inline const Text kCoverName = u"cover.jpg";

// The working folder under the current directory, with a trailing "\"; made when missing. A
// folder that cannot be made shows up as the payload step's failure to write into it.
Text makeWorkFolder(plat::Platform& platform);

// Removes the given files of the working folder, and the folder itself when that leaves it
// empty; nothing when the folder is missing or holds a file "NODELETE". A failed deletion leaves
// the file, and the folder with it, and is logged at the debug level with its reason.
void cleanWorkFolder(plat::Platform& platform, const Text& workFolder,
                     const std::vector<Text>& files, const logs::Log& log);

}  // namespace app
