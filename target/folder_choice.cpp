#include "target/folder_choice.h"

#include <algorithm>

#include "target/host_layout.h"

namespace target {

Text hostFolderOfChoice(const Text& chosen) {
  Text result;
  size_t start = 0;
  while (start <= chosen.size()) {
    const size_t end = std::min(chosen.find(u'\\', start), chosen.size());
    const Text component = chosen.substr(start, end - start);
    if (component == kLibraryFolder) break;
    result += component + u"\\";
    start = end + 1;
  }
  return asHostFolder(result);
}

bool validHostFolder(plat::Platform& platform, const Text& field, const logs::Log& log) {
  const Text t = libraryFolderToValidate(field);
  log.debug(u"Sprawdzamy folder instalacji : " + t);
  if (platform.directoryExists(t)) {
    log.debug(u"Folder instalacji poprawny : " + t);
    return true;
  }
  log.debug(u"Błędny folder instalacji : " + t);
  return false;
}

}  // namespace target
