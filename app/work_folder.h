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
// the system's reason when none can be made. First removes what earlier runs left behind
// (removeStaleWorkFolders).
Text makeWorkFolder(plat::Platform& platform, const logs::Log& log);

// Removes the working folders of earlier runs whose process is gone (a killed run leaves its
// folder, cover and all): their files and the folder, when it holds files only and no
// "NODELETE". Nothing when the running processes cannot be listed, as a folder's owner may run.
void removeStaleWorkFolders(plat::Platform& platform, const logs::Log& log);

// Removes the given files of the working folder, and the folder itself when that leaves it
// empty; nothing when the folder is missing or holds a file "NODELETE". A failed deletion leaves
// the file, and the folder with it, and is logged at the debug level with its reason.
void cleanWorkFolder(plat::Platform& platform, const Text& workFolder,
                     const std::vector<Text>& files, const logs::Log& log);

}  // namespace app
