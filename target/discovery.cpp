#include "target/discovery.h"

#include "target/host_layout.h"
#include "target/wildcard.h"

namespace target {

std::vector<Text> findInstallations(plat::Platform& platform, const logs::Log& log) {
  log.debug(u"Wyszukiwanie zainstalowanego oprogramowania VIRELA.");
  std::vector<Text> found;
  for (const Text& root : platform.logicalDrives()) {
    log.debug(u"HDD: [" + root + u"]");
    const Text maker = root + kMakerFolder;
    if (!platform.directoryExists(maker)) continue;
    log.debug(u"Szukamy instalacjy oprogramowania VIRELA: " + maker);
    for (const Text& sub : platform.subFolders(maker)) {
      if (matchesWildcard(kInstallationPattern, sub)) found.push_back(maker + sub);
    }
  }

  const auto n = static_cast<int64_t>(found.size());
  log.debug(u"Znaleziono " + text::num(n) + u" instalacji oprogramowania CAD.");
  if (n == 0) log.important(kNoInstallationMessage);
  if (n > 1) {
    for (const Text& path : found) {
      log.debug(u"Znaleziono instalację oprogramowania VIRELA: " + path);
    }
  }
  return found;
}

}  // namespace target
