#include "archive/package_archive.h"

#include <algorithm>
#include <cmath>

#include "archive/package_layout.h"
#include "archive/package_rules.h"
#include "archive/zip_reader.h"

namespace pkg {

namespace {

// i / maxFiles as a whole percentage, an exact half going to the even neighbour (the default
// rounding mode). A one-entry archive has no span to divide, so its only entry shows as done.
int gaugePercent(size_t i, int64_t maxFiles) {
  if (maxFiles <= 0) return 100;
  return static_cast<int>(std::nearbyint(static_cast<double>(i) / maxFiles * 100.0));
}

// The cover and the description lie beside the package folder and are never unpacked.
bool unpacked(const Text& name, const Text& package) {
  return !isCoverOrDescription(name, package);
}

// The first package rule the open archive breaks, as the line the installer refuses it with.
std::optional<Text> ruleRefusal(zipkit::ZipReader& zip, const Text& package) {
  const std::vector<Violation> violations = archiveViolations(zip, package);
  if (violations.empty()) return std::nullopt;
  return refusalLine(violations.front());
}

Text bytes(uint64_t n) {
  return text::num(static_cast<int64_t>(std::min<uint64_t>(n, INT64_MAX))) + u" bajtów";
}

// NTFS's cluster on every volume up to 16 TB: taken when the system does not say.
constexpr uint64_t kCommonCluster = 4096;

uint64_t clusterOf(plat::Platform& platform, const Text& destination) {
  return platform.clusterSize(destination).value_or(kCommonCluster);
}

// What the install writes on destination's volume: every unpacked file in whole clusters, and
// the merged database, which may grow to the previous database and the package's together while
// both stay beside it until the end.
uint64_t neededSpace(plat::Platform& platform, zipkit::ZipReader& zip, const Text& package,
                     const Text& destination) {
  const uint64_t cluster = clusterOf(platform, destination);
  uint64_t merged = 0;
  if (const int at = zip.indexOf(databaseEntry(package)); at >= 0) {
    merged = zip.extents()[static_cast<size_t>(at)].size;
  }
  const Text previous = destination + databaseEntry(package);
  if (platform.fileExists(previous))
    merged = saturatingAdd(merged, platform.open(previous, plat::OpenMode::Read)->size());
  return saturatingAdd(unpackedSpace(zip, package, cluster), inClusters(merged, cluster));
}

// The refusal of a write that would not fit: what it is, and both figures.
Text noRoomLine(const Text& what, uint64_t needed, uint64_t free) {
  return u"Za mało miejsca na dysku: " + what + u" zajmie " + bytes(needed) + u", a wolne jest " +
         bytes(free) + u".";
}

// The unpacked package must fit on destination's volume; the system may not know its free space.
std::optional<Text> roomRefusal(plat::Platform& platform, zipkit::ZipReader& zip,
                                const Text& package, const Text& destination,
                                const logs::Log& log) {
  const uint64_t needed = neededSpace(platform, zip, package, destination);
  const std::optional<uint64_t> free = platform.freeSpace(destination);
  if (!free) {
    log.debug(u"Nie można sprawdzić wolnego miejsca na dysku: " + destination);
    return std::nullopt;
  }
  log.debug(u"Pakiet zajmie " + bytes(needed) + u", wolne jest " + bytes(*free));
  if (needed <= *free) return std::nullopt;
  return noRoomLine(u"pakiet", needed, *free);
}

// Opens the archive for the checks; an archive that cannot be read (a damaged local header
// among them) is refused with the cause. The refusal is logged as important.
template <typename Check>
std::optional<Text> refusalOf(plat::Platform& platform, const ArchiveSource& archive,
                              const logs::Log& log, const Check& check) {
  zipkit::ZipReader zip(platform);
  std::optional<Text> refusal;
  try {
    zip.open(archive);
    refusal = check(zip);
  } catch (const text::Error& e) {
    refusal = e.message();
  }
  zip.close();
  if (refusal) log.important(*refusal);
  return refusal;
}

}  // namespace

PackageSearch searchPackage(plat::Platform& platform, const ArchiveSource& archive,
                            const logs::Log& log) {
  PackageSearch search;
  if (!platform.fileExists(archive.path)) {
    log.important(u"Brak pliku paczki : `" + archive.path + u"`");
    return search;
  }
  search.archiveFound = true;
  const std::vector<Text> folders = packageFolders(platform, archive, log);
  if (folders.size() == 1) {
    const Text& package = folders.front();
    search.refusal = refusalOf(platform, archive, log,
                               [&](zipkit::ZipReader& zip) { return ruleRefusal(zip, package); });
    if (!search.refusal) search.package = package;
  } else {
    log.important(u"Błędna zawartość pliku ZIP! (" +
                  text::num(static_cast<int64_t>(folders.size())) + u" katalogów)");
    for (const Text& folder : folders) log.debug(u"[ " + folder + u" ] - PAKIET");
  }
  return search;
}

std::vector<Text> packageFolders(plat::Platform& platform, const ArchiveSource& archive,
                                 const logs::Log& log) {
  std::vector<Text> folders;
  if (!zipkit::isZipArchive(platform, archive)) {
    log.important(u"Plik jest uszkodzony lub zawiera błędy!");
    return folders;
  }
  zipkit::ZipReader zip(platform);
  try {
    zip.open(archive);
    for (const Text& name : zip.names()) {
      if (const std::optional<Text> folder = packageFolderOf(name)) {
        log.debug(u"Znaleziono podkatalog w ZIP : `" + *folder + u"`");
        folders.push_back(*folder);
      }
    }
  } catch (const text::Error& e) {
    log.important(e.message());
  }
  zip.close();
  return folders;
}

bool extractEntry(plat::Platform& platform, const ArchiveSource& archive, const Text& destination,
                  const Text& entry, const logs::Log& log) {
  log.debug(u"Rozpakowywujemy z `" + archive.path + u"` plik `" + entry + u"` do katalogu `" +
            destination + u"`");
  if (!zipkit::isZipArchive(platform, archive)) return false;
  // The reader closes the archive as it goes out of scope, also when an error propagates.
  zipkit::ZipReader zip(platform);
  zip.open(archive);
  const bool found = zip.indexOf(entry) >= 0;
  if (found) zip.extract(entry, destination);
  zip.close();
  return found;
}

std::optional<Text> checkUnpacking(plat::Platform& platform, const ArchiveSource& archive,
                                   const Text& package, const Text& destination,
                                   const logs::Log& log) {
  if (!zipkit::isZipArchive(platform, archive)) return std::nullopt;
  return refusalOf(platform, archive, log, [&](zipkit::ZipReader& zip) {
    std::optional<Text> refusal = ruleRefusal(zip, package);
    return refusal ? refusal : roomRefusal(platform, zip, package, destination, log);
  });
}

std::optional<Text> checkEntryRoom(plat::Platform& platform, const ArchiveSource& archive,
                                   const Text& entry, const Text& destination, const Text& what,
                                   const logs::Log& log) {
  if (!zipkit::isZipArchive(platform, archive)) return std::nullopt;
  return refusalOf(platform, archive, log, [&](zipkit::ZipReader& zip) -> std::optional<Text> {
    const int at = zip.indexOf(entry);
    if (at < 0) return std::nullopt;
    const uint64_t cluster = clusterOf(platform, destination);
    const uint64_t needed = inClusters(zip.declared(static_cast<size_t>(at)).size, cluster);
    const std::optional<uint64_t> free = platform.freeSpace(destination);
    if (!free || needed <= *free) return std::nullopt;
    return noRoomLine(what, needed, *free);
  });
}

std::optional<zipkit::ZipReader::Declared> declaredDatabase(plat::Platform& platform,
                                                            const ArchiveSource& archive,
                                                            const Text& package) {
  zipkit::ZipReader zip(platform);
  zip.open(archive);
  const std::vector<Text>& names = zip.names();
  for (size_t i = 0; i < names.size(); ++i) {
    if (packageFolderOf(names[i]) == std::optional<Text>(package)) return zip.declared(i);
  }
  return std::nullopt;
}

std::vector<zipkit::EntryTarget> unpackTargets(plat::Platform& platform,
                                               const ArchiveSource& archive,
                                               const Text& destination, const Text& package) {
  zipkit::ZipReader zip(platform);
  zip.open(archive);
  std::vector<zipkit::EntryTarget> targets;
  for (const Text& name : zip.names()) {
    if (unpacked(name, package)) targets.push_back(zipkit::entryTarget(destination, name));
  }
  zip.close();
  return targets;
}

bool extractPackage(plat::Platform& platform, const ArchiveSource& archive, const Text& destination,
                    const Text& package, const logs::Log& log, const Progress& progress) {
  if (!zipkit::isZipArchive(platform, archive)) return false;
  zipkit::ZipReader zip(platform);
  bool result = false;
  try {
    zip.open(archive);
    const std::vector<Text>& names = zip.names();
    const int64_t maxFiles = static_cast<int64_t>(names.size()) - 1;
    log.debug(u"maxFiles = " + text::num(maxFiles));
    for (size_t i = 0; i < names.size(); ++i) {
      const Text& name = names[i];
      if (!unpacked(name, package)) continue;
      zip.extract(name, destination);
      log.debug(name);
      progress(gaugePercent(i, maxFiles));
    }
    result = true;
    progress(100);
  } catch (const text::Error& e) {
    log.important(e.message());
  }
  zip.close();
  return result;
}

}  // namespace pkg
