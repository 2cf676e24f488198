#include "target/package_database.h"

#include "platform/text.h"
#include "target/host_layout.h"

namespace app {

PackageDatabase packageDatabase(const Text& hostFolder, const Text& packageName) {
  const Text library = text::trim(hostFolder) + kLibraryFolder + u"\\";
  const Text file = library + packageName + u"\\" + u"dodatki.mdb";
  return {file, file + u".old"};
}

bool databaseReplaceable(plat::Platform& fs, const PackageDatabase& db, const Trace& trace) {
  if (fs.fileExists(db.side)) {
    if (fs.fileExists(db.file)) {
      // A stale copy next to the real database. A failed deletion shows up below as a failed
      // rename.
      trace(u"Kasujemy poprzednią kopię pliku dodatki.mdb");
      fs.deleteFile(db.side);
    } else {
      // An earlier test stopped between its two renames: this is the only copy of the database.
      trace(u"Przywracamy plik dodatki.mdb z dodatki.mdb.old");
      if (!fs.moveFile(db.side, db.file)) return false;
    }
  }
  if (!fs.fileExists(db.file)) return true;
  if (!fs.moveFile(db.file, db.side)) return false;
  // The way back gets a second attempt: a scanner that opens the freshly renamed file can make
  // one fail. Should both fail, the database is not where the install expects it, so the test
  // fails, and the next check gives the side file its name back.
  return fs.moveFile(db.side, db.file) || fs.moveFile(db.side, db.file);
}

}  // namespace app
