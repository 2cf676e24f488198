// The package archive steps of the main window: finding the package, extracting one file, and
// unpacking the whole package with the gauge following it.
#include "app/form1.h"
#include "archive/package_archive.h"

namespace app {

void PackageSearchLook::searching() {
  form_.pack = false;
  form_.bnInstallSetDisable();
}

bool TForm1::searchPackages() {
  PackageSearchLook look(*this);
  const install::PackageFound found = session().searchPackage(look);
  if (!found.archive || found.refusal) return false;
  if (found.package) packageName = *found.package;
  // An archive that names no package or several still sets pack; the package name then stays
  // as it was, and the start-up offers no install.
  pack = true;
  return pack;
}

std::vector<Text> TForm1::GetSubFoldersListFromZip(const Text& SourceFile) {
  return pkg::packageFolders(platform_, SourceFile, log());
}

bool TForm1::ExtractFileFromZip(const Text& SourceFile, const Text& DestinationDir,
                                const Text& FileName) {
  return pkg::extractEntry(platform_, SourceFile, DestinationDir, FileName, log());
}

bool TForm1::ExtractFilesFromZip(const Text& SourceFile, const Text& DestinationDir) {
  return pkg::extractPackage(platform_, SourceFile, DestinationDir, packageName, log(),
                             [this](int percent) { wnd_.setGauge(percent); });
}

}  // namespace app
