// The access test on the package folder's accessory database: the host holds the database open
// while it runs, and then the database cannot be replaced.
#pragma once

#include "platform/log.h"
#include "platform/platform.h"

namespace target {

using text::Text;

struct PackageDatabase {
  Text file;  // <host folder>dodatki\<package>\dodatki.mdb
  Text side;  // the name the database carries for a moment during the test: file + ".old"
};

// The host folder is the folder field's text; white space at its ends is ignored.
PackageDatabase packageDatabase(const Text& hostFolder, const Text& packageName);

inline const Text kDatabaseHeldMessage = u"Wyłącz program VIRELA i spróbuj ponownie.";
inline const Text kInterruptedInstallMessage =
    u"Znaleziono plik dodatki_old.mdb z przerwanej instalacji. Przenieś go w bezpieczne "
    u"miejsce i spróbuj ponownie.";
inline const Text kStraySetAsideMessage =
    u"Znaleziono folder dodatki_install.old z przerwanej instalacji, bez jej dziennika. Przenieś "
    u"go w bezpieczne miejsce i spróbuj ponownie.";

// Done when the database is absent or could be renamed away and back; else the failed rename's
// reason. Whatever the outcome, a
// database that existed keeps (or gets back) its own name, unless a rename fails on a file held
// open, and then the test fails. A side file left by an interrupted earlier test is the database
// itself when "dodatki.mdb" is missing: it gets its name back rather than being deleted. What it
// does goes to the log at the debug level.
plat::Status databaseReplaceable(plat::Platform& platform, const PackageDatabase& db,
                                 const logs::Log& log);

}  // namespace target
