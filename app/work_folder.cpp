#include "app/work_folder.h"

#include "platform/leftover.h"

namespace app {

Text makeWorkFolder(plat::Platform& platform) {
  const Text folder = platform.currentDirectory() + u"\\" + u"tmp" + u"\\";
  if (!platform.directoryExists(folder)) (void)platform.createDirectory(folder);
  return folder;
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
