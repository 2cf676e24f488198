// Checks a package the way the installer will read it, so that a package maker learns about a
// package that would fail before building or shipping its installer. `build` runs them on the
// package folder, `verify` on what an installer carries; both print the findings the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "archive/package_rules.h"
#include "platform/platform.h"

namespace mkinstaller {

using text::Text;

enum class Severity { Error, Warning };

// One thing wrong with a package: the file it is about (an archive entry name, "\"-separated;
// empty when the finding is about the package as a whole) and what is wrong with it, ending
// with what to do about it.
struct Finding {
  Severity severity = Severity::Error;
  Text file;
  Text problem;
};

using Findings = std::vector<Finding>;

bool hasErrors(const Findings& findings);
// One line per finding, in UTF-8: "error: FILE: PROBLEM" or "warning: FILE: PROBLEM" ("error:
// PROBLEM" when the finding names no file).
void printFindings(std::ostream& to, const Findings& findings);

// The host folder the path-length check assumes the package is installed under.
inline const Text kTypicalLibraryFolder = u"C:\\Nordeka\\CAD 2024\\dodatki\\";

// The package folder P, named by the one entry "P\dodatki.mdb", as the installer finds it.
// Reports no package, several packages, and near misses (another letter case, "/" separators,
// a database one folder too deep) with how to fix them. Nothing when there is not exactly one.
std::optional<Text> findPackage(const std::vector<Text>& entryNames, Findings& findings);

// A package rule the installer refuses a package by (archive/package_rules.h), in the package
// maker's terms, ending with what to do.
Finding ruleFinding(const pkg::Violation& violation, const Text& packageName);

// The package's entry names as a whole, for the package P that findPackage found: the cover
// "P.jpg" present in exactly that case, names that land on one file (differing only in letter
// case or separators), names the installer refuses (the name rules of archive/package_rules.h,
// with why: unsafe names, short names, entries outside the package folder, the installer's own
// file names, the database as a folder), and names too long for Windows under
// kTypicalLibraryFolder.
void checkEntryNames(const std::vector<Text>& entryNames, const Text& packageName,
                     Findings& findings);

// The cover at path (reported as `shownName`): present, readable and a JPEG the installer can
// show, baseline or progressive, and of a size that leaves the installer's window usable: whole
// on a 1280 x 720 screen, and wide enough for the folder field. A warning for any other size
// than the cover's 1040 x 585. Reads only the file's first MiB.
void checkCover(plat::Platform& fs, const Text& path, const Text& shownName, Findings& findings);

struct DatabaseSummary {
  uint64_t producentRows = 0;
  uint64_t dodatkiRows = 0;
};

// The package database at path (reported as `shownName`): a Jet 4 file holding both accessory
// tables with their columns, types and sizes, and unique, non-empty ID values in Dodatki;
// warnings for columns and tables the installer does not copy. The row counts (0 for a missing
// table) when the file could be read at all.
std::optional<DatabaseSummary> checkDatabase(plat::Platform& fs, const Text& path,
                                             const Text& shownName, Findings& findings);

}  // namespace mkinstaller
