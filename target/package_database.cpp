#include "target/package_database.h"

#include "archive/package_layout.h"
#include "platform/leftover.h"
#include "target/package_paths.h"

namespace target {

PackageDatabase packageDatabase(const Text& hostFolder, const Text& packageName) {
  const Text file = packagePaths(hostFolder, packageName).database;
  return {file, file + pkg::kCheckSuffix};
}

plat::Status databaseReplaceable(plat::Platform& platform, const PackageDatabase& db,
                                 const logs::Log& log) {
  if (platform.fileExists(db.side)) {
    if (platform.fileExists(db.file)) {
      // A stale copy next to the real database. A failed deletion shows up below as a failed
      // rename; its own reason goes to the log.
      log.debug(u"Kasujemy poprzednią kopię pliku dodatki.mdb");
      plat::deleteLeftover(platform, db.side, log);
    } else {
      // An earlier test stopped between its two renames: this is the only copy of the database.
      log.debug(u"Przywracamy plik dodatki.mdb z dodatki.mdb.old");
      if (plat::Status restored = platform.moveFile(db.side, db.file); !restored) return restored;
    }
  }
  if (!platform.fileExists(db.file)) return plat::Status::done();
  if (plat::Status away = platform.moveFile(db.file, db.side); !away) return away;
  // The way back gets a second attempt: a scanner that opens the freshly renamed file can make
  // one fail. Should both fail, the database is not where the install expects it, so the test
  // fails, and the next check gives the side file its name back.
  if (platform.moveFile(db.side, db.file)) return plat::Status::done();
  return platform.moveFile(db.side, db.file);
}

}  // namespace target
