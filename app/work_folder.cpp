#include "app/work_folder.h"

namespace app {

void cleanWorkFolder(plat::Platform& platform, const Text& workFolder,
                     const std::vector<Text>& files) {
  if (!platform.directoryExists(workFolder) || platform.fileExists(workFolder + u"NODELETE")) {
    return;
  }
  for (const Text& file : files) {
    if (platform.fileExists(file)) platform.deleteFile(file);
  }
  if (platform.isDirectoryEmpty(workFolder)) platform.removeDirectory(workFolder);
}

}  // namespace app
