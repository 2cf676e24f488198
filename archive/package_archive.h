// The package archive steps: finding the package in "packages.zip", taking one file out of it,
// and unpacking the whole package with progress. Each archive operation opens and closes the
// archive itself.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "archive/archive_source.h"
#include "archive/entry_path.h"
#include "archive/zip_reader.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace pkg {

using text::Text;
using zipkit::ArchiveSource;

// What the package search found: whether the archive is there at all, and the one package it
// names (nothing when it names none or several, which are then logged, or when the package breaks
// the package rules).
struct PackageSearch {
  bool archiveFound = false;
  std::optional<Text> package;
  // The line a package that breaks the package rules (archive/package_rules.h) was refused with.
  std::optional<Text> refusal;
};
PackageSearch searchPackage(plat::Platform& platform, const ArchiveSource& archive,
                            const logs::Log& log);

// The package folders the archive names, one per "P\dodatki.mdb" entry, each logged as found.
// A file that is no archive, or a damaged one, gives what was found so far and an important
// line with the cause.
std::vector<Text> packageFolders(plat::Platform& platform, const ArchiveSource& archive,
                                 const logs::Log& log);

// Unpacks the entry into destination; false when the file is no archive or lacks the entry.
// Errors of the reader (a damaged archive, a file that cannot be written) propagate.
bool extractEntry(plat::Platform& platform, const ArchiveSource& archive, const Text& destination,
                  const Text& entry, const logs::Log& log);

// Decides, before anything on the host is touched, whether the package may be unpacked into
// destination: the package rules, and the sum of the sizes its entries declare against the free
// space of destination's volume. The refusal's line, logged as important, or nothing. A missing
// file or one that is no archive gives nothing: the unpacking reports it.
std::optional<Text> checkUnpacking(plat::Platform& platform, const ArchiveSource& archive,
                                   const Text& package, const Text& destination,
                                   const logs::Log& log);

// Decides, before the entry is taken out into destination, whether it fits on that folder's
// volume in whole clusters; what names the file in the refusal ("okładka pakietu ..."). The
// refusal's line, logged as important, or nothing, also when the system cannot tell the free
// space; an entry the archive lacks gives nothing: the extraction says so. A fit logs nothing.
std::optional<Text> checkEntryRoom(plat::Platform& platform, const ArchiveSource& archive,
                                   const Text& entry, const Text& destination, const Text& what,
                                   const logs::Log& log);

// Receives the unpacking's progress in whole percent.
using Progress = std::function<void(int percent)>;

// What the package's database entry declares; nothing when the archive has none. Throws
// text::Error when the archive cannot be read.
std::optional<zipkit::ZipReader::Declared> declaredDatabase(plat::Platform& platform,
                                                            const ArchiveSource& archive,
                                                            const Text& package);

// Where the unpacking below writes, entry by entry: every entry but the cover and the
// description. Throws text::Error when the archive cannot be read.
std::vector<zipkit::EntryTarget> unpackTargets(plat::Platform& platform,
                                               const ArchiveSource& archive,
                                               const Text& destination, const Text& package);

// Unpacks every entry but the cover and the description into destination, with their relative
// paths, reporting progress after each. False when the file is no archive, and false with the
// cause logged as important when an entry cannot be unpacked.
bool extractPackage(plat::Platform& platform, const ArchiveSource& archive, const Text& destination,
                    const Text& package, const logs::Log& log, const Progress& progress);

}  // namespace pkg
