// The files of one package in a host installation: the package folder, its accessory database
// and the side files the precondition check and the install give the database for a while (their
// names are in archive/package_layout.h, since a package may not carry them).
#pragma once

#include "platform/text.h"

namespace target {

using text::Text;

struct PackagePaths {
  Text library;      // <host folder>dodatki\ .
  Text package;      // library + package name + "\"
  Text database;     // package + "dodatki.mdb"
  Text backup;       // package + "dodatki_old.mdb"
  Text fromPackage;  // package + "dodatki_new.mdb"
  Text journal;      // package + the install journal's name
  Text setAside;     // package + the folder of the files an install replaces + "\"
  Text hold;         // library + package name + the suffix of the file a run holds
};

// Paths are built by plain concatenation; the host folder is the folder field's text, and white
// space at its ends is ignored.
PackagePaths packagePaths(const Text& hostFolder, const Text& packageName);

}  // namespace target
