// The package archive steps of the main window: finding the package, extracting one file, and
// unpacking the whole package with the gauge following it.
#include "app/form1.h"
#include "archive/package_archive.h"

namespace app {

bool TForm1::searchPackages() {
  info(DEBUG, u"Wyszukiwanie paczek instalacyjnych.");
  pack = false;
  bnInstallSetDisable();
  if (!platform_.directoryExists(tmpDir)) platform_.createDirectory(tmpDir);
  const pkg::PackageSearch search = pkg::searchPackage(platform_, sourceZip, log());
  if (!search.archiveFound) return false;
  // A refused package is not offered at all: no cover, no install.
  packageRefused_ = search.refusal.has_value();
  if (packageRefused_) return false;
  if (search.package) packageName = *search.package;
  // An archive that names no package or several still sets pack; the package name then stays
  // as it was.
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
