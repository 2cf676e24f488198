#include "target/package_paths.h"

#include "archive/package_layout.h"
#include "target/host_layout.h"

namespace target {

PackagePaths packagePaths(const Text& hostFolder, const Text& packageName) {
  PackagePaths p;
  p.library = text::trim(hostFolder) + kLibraryFolder + u"\\";
  p.package = p.library + packageName + u"\\";
  p.database = p.package + Text(pkg::kDatabaseName);
  p.backup = p.package + pkg::kBackupName;
  p.fromPackage = p.package + pkg::kFromPackageName;
  p.journal = p.package + pkg::kJournalName;
  p.setAside = p.package + pkg::kSetAsideFolderName + u"\\";
  p.hold = p.library + packageName + pkg::kHoldSuffix;
  return p;
}

}  // namespace target
