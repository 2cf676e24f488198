#include "app/work_folder.h"

namespace app {

Text makeWorkFolder(plat::Platform& platform) {
  const Text folder = platform.currentDirectory() + u"\\" + u"tmp" + u"\\";
  if (!platform.directoryExists(folder)) platform.createDirectory(folder);
  return folder;
}

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
