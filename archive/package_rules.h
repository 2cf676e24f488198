// What a package archive may hold, decided before anything on the host is touched. The installer
// refuses a package that breaks a rule, and the package maker's tool reports the same rules, so
// that a package it passes is one the installer takes.
#pragma once

#include <optional>
#include <vector>

#include "archive/entry_path.h"
#include "archive/zip_reader.h"

namespace pkg {

using text::Text;

enum class Rule {
  UnsafeName,      // a name the unpacking cannot write safely (zipkit::nameFault says why)
  ShortName,       // a step like "DODATK~1.MDB", which Windows may take for another file's name
  OutsidePackage,  // neither below the package folder nor the cover or the description
  InstallerFile,   // a name the install gives its own files in the package folder
  DatabaseFolder,  // the package database as a folder, or anything below it
  Overlap,         // shares bytes of the archive with another entry
  SameFile,        // lands on the file of an earlier entry (letter case, "/" for "\\")
};

struct Violation {
  Rule rule = Rule::UnsafeName;
  Text entry;
  std::optional<zipkit::NameFault> fault;  // with UnsafeName
  Text other;  // with Overlap: the entry it shares bytes with; with SameFile: the earlier entry
};

// The rules on entry names for the package P, every violation in entry order, those of the
// package's database entry (and so of the name P) first, then the entries that land on an
// earlier entry's file. The cover "P.jpg" and the description "P.txt" may lie beside the package
// folder, in any letter case; every other entry lies below "P\" (either separator, any letter
// case).
std::vector<Violation> nameViolations(const std::vector<Text>& names, const Text& package);

// Entries whose bytes in the archive intersect, one violation per entry that starts inside an
// earlier one. names and extents in central-directory order.
std::vector<Violation> overlapViolations(const std::vector<Text>& names,
                                         const std::vector<zipkit::ZipReader::Extent>& extents);

// Every rule on the open archive for the package P: its names, then its layout. Reads the local
// headers; zipkit::ZipError when one is damaged.
std::vector<Violation> archiveViolations(zipkit::ZipReader& zip, const Text& package);

// The installer's one line for a refused package.
Text refusalLine(const Violation& violation);

// The room the entries the install unpacks take on a volume whose files take whole clusters of
// `cluster` bytes (every entry but the cover, the description and folders), for the package P.
// Saturates at UINT64_MAX.
uint64_t unpackedSpace(zipkit::ZipReader& zip, const Text& package, uint64_t cluster);

// size rounded up to whole clusters, saturating at UINT64_MAX.
uint64_t inClusters(uint64_t size, uint64_t cluster);

// a + b, saturating at UINT64_MAX: declared sizes reach 2^64 - 1, and a sum that wrapped would
// pass for a small one.
inline uint64_t saturatingAdd(uint64_t a, uint64_t b) {
  return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

}  // namespace pkg
