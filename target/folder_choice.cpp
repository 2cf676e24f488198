// The folder field: the user's choice through the folder dialog, and the validation of every
// new text.
#include <algorithm>

#include "app/form1.h"
#include "target/host_layout.h"

namespace app {

namespace {

// The host folder of a chosen folder: everything from the first "dodatki" component on is
// dropped, so the library folder and any package folder in it give the host folder.
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

}  // namespace

void TForm1::Edit1Click() {
  if (!fs_.chooseFolder(strFolder)) return;
  const Text folder = hostFolderOfChoice(strFolder);
  info(DEBUG, u"Ustalono docelowy folder na: " + folder);
  wnd_.setEdit1(folder);  // runs CheckEdit when the text changes
  CheckEdit();
}

void TForm1::CheckEdit() {
  if (!CheckDestination()) return;
  destination = true;
  CheckInstallationEnabled();
}

bool TForm1::CheckDestination() {
  const Text t = libraryFolderToValidate(wnd_.edit1());
  info(DEBUG, u"Sprawdzamy folder instalacji : " + t);
  if (fs_.directoryExists(t)) {
    info(DEBUG, u"Folder instalacji poprawny : " + t);
    return true;
  }
  info(DEBUG, u"Błędny folder instalacji : " + t);
  return false;
}

}  // namespace app
