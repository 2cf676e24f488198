// Discovery of the host's installations on every drive; the first one found is proposed in the
// folder field.
#include "app/form1.h"
#include "target/host_layout.h"
#include "target/wildcard.h"

namespace app {

using text::num;

bool TForm1::searchInstallationPath() {
  info(DEBUG, u"Wyszukiwanie zainstalowanego oprogramowania VIRELA.");
  destination = false;

  std::vector<Text> found;
  for (const Text& root : fs_.logicalDrives()) {
    info(DEBUG, u"HDD: [" + root + u"]");
    const Text maker = root + kMakerFolder;
    if (!fs_.directoryExists(maker)) continue;
    info(DEBUG, u"Szukamy instalacjy oprogramowania VIRELA: " + maker);
    for (const Text& sub : fs_.subFolders(maker)) {
      if (matchesWildcard(kInstallationPattern, sub)) found.push_back(maker + sub);
    }
  }

  const auto n = static_cast<int64_t>(found.size());
  info(DEBUG, u"Znaleziono " + num(n) + u" instalacji oprogramowania CAD.");
  if (n == 0) {
    info(IMPORTANT, kNoInstallationMessage);
  } else {
    if (n > 1) {
      for (const Text& path : found) {
        info(DEBUG, u"Znaleziono instalację oprogramowania VIRELA: " + path);
      }
    }
    wnd_.setEdit1(asHostFolder(found.front()));  // runs CheckEdit when the text changes
    destination = true;
    if (n == 1) {
      info(DEBUG, u"Znaleziono jedną instalację oprogramowania VIRELA: " + wnd_.edit1());
      info(DEBUG, u"Znaleziono instalację. Możesz wskazać inny katalog.");
    } else {
      info(IMPORTANT,
           u"Wybrano pierwszą z " + num(n) + u" znalezionych instalacji. Możesz zmienić.");
    }
  }

  wnd_.setVisible(Ctl::Edit1, true);
  wnd_.setVisible(Ctl::StaticText1, true);
  return destination;
}

}  // namespace app
