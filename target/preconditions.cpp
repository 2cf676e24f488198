// The checks that offer the Install button: the package folder's database can be replaced, and
// no host program runs.
#include "app/form1.h"
#include "target/host_layout.h"
#include "target/package_database.h"
#include "target/running_host.h"

namespace app {

namespace {

void noTrace(const Text&) {}

Trace debugTrace(TForm1& form) {
  return [&form](const Text& line) { form.info(DEBUG, line); };
}

}  // namespace

void TForm1::CheckInstallationEnabled() {
  info(DEBUG, u"Kontrola możliwości instalacji.");
  if (!formCover || !pack) return;
  const PackageDatabase db = packageDatabase(wnd_.edit1(), packageName);
  info(DEBUG, u"Sprawdzamy dostęp do pliku: " + db.file);
  if (!databaseReplaceable(fs_, db, debugTrace(*this))) {
    info(IMPORTANT, kDatabaseHeldMessage);
    return;
  }
  info(DEBUG, u"Dostęp do MDB poprawny");
  if (CheckRunApp()) {
    ready = true;
    bnInstallSetEnable();
  }
}

bool TForm1::CheckRunApp() {
  info(DEBUG, u"Sprawdzamy uruchomienie applikacji CAD.");
  if (auto blocker = runningHostBlocker(fs_, debugTrace(*this))) {
    info(IMPORTANT, *blocker);
    return false;
  }
  info(DEBUG, u"Nie znaleziono uruchomionej applikacji CAD.");
  return true;
}

std::optional<Text> TForm1::installBlocker() {
  // The folder the install will use: the field's text without blanks at its ends.
  if (!fs_.directoryExists(libraryFolderToValidate(text::trim(wnd_.edit1())))) {
    return kNoInstallationMessage;
  }
  if (!databaseReplaceable(fs_, packageDatabase(wnd_.edit1(), packageName), noTrace)) {
    return kDatabaseHeldMessage;
  }
  return runningHostBlocker(fs_, noTrace);
}

}  // namespace app
