// The target steps of the main window: host discovery proposes a folder, the folder field's
// choice and validation, and the preconditions that enable Install.
#include "app/form1.h"
#include "target/folder_choice.h"
#include "target/preconditions.h"

namespace app {

using text::num;

bool TForm1::searchInstallationPath() {
  destination = false;
  const install::HostDiscovery hosts = session().discoverHosts();
  const auto n = static_cast<int64_t>(hosts.found.size());
  if (hosts.proposal) {
    wnd_.setEdit1(*hosts.proposal);  // runs CheckEdit when the text changes
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

void TForm1::Edit1Click() {
  if (!platform_.chooseFolder(strFolder)) return;
  const Text folder = target::hostFolderOfChoice(strFolder);
  info(DEBUG, u"Ustalono docelowy folder na: " + folder);
  wnd_.setEdit1(folder);  // runs CheckEdit when the text changes
  CheckEdit();
}

void TForm1::CheckEdit() {
  if (!CheckDestination()) {
    ready = false;  // the install, if offered before, is no longer for this field
    return;
  }
  destination = true;
  CheckInstallationEnabled();
}

bool TForm1::CheckDestination() {
  return !session().checkFolder(wnd_.edit1());
}

void TForm1::CheckInstallationEnabled() {
  info(DEBUG, u"Kontrola możliwości instalacji.");
  if (!formCover || !pack) return;
  lastRefusal_ = session().checkInstall(wnd_.edit1(), packageName);
  if (lastRefusal_) return;
  ready = true;
  bnInstallSetEnable();
}

ExitCode TForm1::exitCode() const {
  if (lastInstall_) return exitOf(*lastInstall_);
  if (tmpDir.empty()) return ExitCode::WorkFolderFailed;
  if (!formCover || !pack) return ExitCode::NoPackage;
  if (lastRefusal_) return exitOf(*lastRefusal_);
  return ready ? ExitCode::NotInstalled : ExitCode::NoHostFolder;
}

bool TForm1::CheckRunApp() {
  return !target::checkNoRunningHost(platform_, log());
}

}  // namespace app
