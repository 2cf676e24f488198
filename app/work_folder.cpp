#include "app/work_folder.h"

#include "platform/leftover.h"

namespace app {

// Under the user's temporary folder: an installer is often started from a folder nobody may
// write (a network share, a disc), and runs side by side must not share one.
Text makeWorkFolder(plat::Platform& platform) {
  const Text base = platform.tempFolder() + u"instalator-" +
                    text::num(static_cast<int64_t>(platform.currentProcessId())) + u"-";
  for (int64_t n = 0; n < 1000; ++n) {
    const Text folder = base + text::num(n) + u"\\";
    if (platform.directoryExists(folder)) continue;
    const plat::Status made = platform.createDirectory(folder);
    if (made) return folder;
    // Another run took the name between the test and the creation: try the next one.
    if (platform.directoryExists(folder)) continue;
    throw plat::FileError(
        plat::withReason(u"Nie można utworzyć folderu roboczego: " + folder, made));
  }
  throw plat::FileError(u"Nie można utworzyć folderu roboczego: " + base + u"*");
}

void cleanWorkFolder(plat::Platform& platform, const Text& workFolder,
                     const std::vector<Text>& files, const logs::Log& log) {
  if (!platform.directoryExists(workFolder) || platform.fileExists(workFolder + u"NODELETE")) {
    return;
  }
  // A file left in the working folder harms nothing: the run goes on to its end.
  for (const Text& file : files) plat::deleteLeftover(platform, file, log);
  if (!platform.isDirectoryEmpty(workFolder)) return;
  if (const plat::Status removed = platform.removeDirectory(workFolder); !removed) {
    log.debug(plat::withReason(u"Nie można usunąć folderu " + workFolder, removed));
  }
}

}  // namespace app
