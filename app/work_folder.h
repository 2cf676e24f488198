// The working folder under the user's temporary folder, where the installer keeps the package
// archive and the cover while it runs, with or without its window.
#pragma once

#include <vector>

#include "platform/log.h"
#include "platform/platform.h"

namespace app {

using text::Text;

// The names of the installer's files in it.
inline const Text kArchiveName = u"packages.zip";
inline const Text kCoverName = u"cover.jpg";

// A new folder of this run's own, "%TEMP%\instalator-<process>-<n>\"; throws plat::FileError with
// the system's reason when none can be made.
Text makeWorkFolder(plat::Platform& platform);

// Removes the given files of the working folder, and the folder itself when that leaves it
// empty; nothing when the folder is missing or holds a file "NODELETE". A failed deletion leaves
// the file, and the folder with it, and is logged at the debug level with its reason.
void cleanWorkFolder(plat::Platform& platform, const Text& workFolder,
                     const std::vector<Text>& files, const logs::Log& log);

}  // namespace app
