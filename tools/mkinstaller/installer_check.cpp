#include "tools/mkinstaller/installer_check.h"

#include <cstring>
#include <string>

#include "archive/entry_path.h"
#include "archive/installer_layout.h"
#include "archive/package_layout.h"
#include "archive/package_rules.h"
#include "archive/payload_trailer.h"
#include "archive/signed_installer.h"
#include "archive/zip_reader.h"

namespace mkinstaller {

namespace {

constexpr uint64_t kTrailer = layout::kTrailerSize;
constexpr char16_t kRebuild[] = u"; rebuild the installer with mkinstaller";

Text num(uint64_t v) {
  return text::num(static_cast<int64_t>(v));
}

void addError(InstallerReport& r, const Text& file, const Text& problem) {
  r.findings.push_back({Severity::Error, file, problem});
}

// Trailer bytes for a message: printable ASCII as it is, every other byte (and the backslash
// that would make it ambiguous) as \xNN.
Text shown(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += c;
    } else {
      constexpr char kHex[] = "0123456789ABCDEF";
      out += {'\\', 'x', kHex[b >> 4], kHex[b & 0xF]};
    }
  }
  return text::fromUtf8(out);
}

// The bytes EF BB BF that mkinstaller writes between the archive and the trailer. The installer
// does not need them; their absence says the file was made some other way or was altered.
void checkMark(plat::File& exe, InstallerReport& r) {
  char mark[layout::kMarkSize] = {};
  if (r.archiveSize >= layout::kMarkSize &&
      exe.readAt(*r.archiveOffset + r.archiveSize - layout::kMarkSize, mark, sizeof mark) ==
          sizeof mark &&
      std::memcmp(mark, layout::kMark, sizeof mark) == 0) {
    return;
  }
  r.findings.push_back({Severity::Warning, r.path,
                        Text(u"the bytes EF BB BF are missing before the trailer: the installer "
                             u"was not made by mkinstaller or was altered afterwards") +
                            kRebuild});
}

// Finds the archive as the installer's payload step does: the trailer just before the end of
// the layout names the archive's offset, and the archive runs up to the trailer. False, with
// the finding, when the installer would find no package.
bool locateArchive(plat::File& exe, InstallerReport& r) {
  r.size = exe.size();
  r.layoutEnd = layout::layoutEnd(exe);
  const uint64_t end = r.layoutEnd;
  const auto noPackage = [&](const Text& what) {
    addError(r, r.path, u"no package: the trailer " + what + kRebuild);
    return false;
  };
  if (end < kTrailer) {
    return noPackage(u"is missing: the installer has only " + num(end) + u" bytes");
  }
  const uint64_t trailerAt = end - kTrailer;
  std::string bytes(kTrailer, '\0');
  bytes.resize(exe.readAt(trailerAt, bytes.data(), bytes.size()));
  const std::optional<int64_t> offset = layout::parseTrailer(bytes);
  if (!offset) {
    return noPackage(u"\"" + shown(bytes) + u"\" at byte " + num(trailerAt) +
                     u" is not an archive offset");
  }
  if (*offset <= 0) {
    return noPackage(u"names archive offset " + text::num(*offset) + u", which means no archive");
  }
  if (static_cast<uint64_t>(*offset) >= trailerAt) {
    return noPackage(u"names archive offset " + text::num(*offset) +
                     u", but the archive has to start before the trailer at byte " +
                     num(trailerAt));
  }
  r.archiveOffset = static_cast<uint64_t>(*offset);
  r.archiveSize = trailerAt - *r.archiveOffset;
  checkMark(exe, r);
  return true;
}

// A hint for an archive that cannot be read: whether the offset meets a ZIP archive's first
// record (a local file header, or the end record of an empty archive) at all.
Text offsetHint(plat::File& exe, const InstallerReport& r) {
  uint8_t sig[4] = {};
  if (exe.readAt(*r.archiveOffset, sig, sizeof sig) == sizeof sig && sig[0] == 'P' &&
      sig[1] == 'K' && ((sig[2] == 3 && sig[3] == 4) || (sig[2] == 5 && sig[3] == 6))) {
    return {};
  }
  return u" (the trailer's offset " + num(*r.archiveOffset) +
         u" does not point at the start of a ZIP archive)";
}

// The package rules, as the installer applies them before it touches anything: the violations
// the names did not report, and the line the installer refuses the package with. Entries that
// overlap are looked for whether or not the archive names a package: such an archive is never
// unpacked. True when the installer would refuse the package.
bool refusedByRules(zipkit::ZipReader& zip, InstallerReport& r) {
  std::vector<pkg::Violation> violations;
  try {
    violations = r.packageName ? pkg::archiveViolations(zip, *r.packageName)
                               : pkg::overlapViolations(zip.names(), zip.extents());
  } catch (const zipkit::ZipError& e) {
    addError(
        r, r.path,
        u"the installer refuses the package, since it cannot read it: " + e.message() + kRebuild);
    return true;
  }
  // The names' findings came with the names; an overlap's names no package, so there need not
  // be one.
  for (const pkg::Violation& v : violations) {
    if (v.rule == pkg::Rule::Overlap) {
      r.findings.push_back(ruleFinding(v, r.packageName.value_or(Text())));
    }
  }
  if (violations.empty()) return false;
  if (r.packageName) {
    addError(r, {},
             u"the installer refuses this package and touches nothing on the host; it says: " +
                 pkg::refusalLine(violations.front()));
  }
  return true;
}

// Unpacks every entry below folder as the installer will, which checks each one's data and
// CRC; an entry that fails is reported with the reader's message and the rest go on.
void unpackEntries(plat::Platform& fs, zipkit::ZipReader& zip, const Text& folder,
                   InstallerReport& r) {
  for (const Text& name : zip.names()) {
    try {
      zip.extract(name, folder);
    } catch (const zipkit::ZipError& e) {
      addError(r, name,
               u"cannot be unpacked, the installer would stop here: " + e.message() + kRebuild);
      continue;
    }
    // extract() writes the first entry of that name in any letter case, as the installer does.
    const Text& written = zip.names()[static_cast<size_t>(zip.indexOf(name))];
    const zipkit::EntryTarget target = zipkit::entryTarget(folder, written);
    if (!target.isFolder) r.unpackedBytes += fs.open(target.path, plat::OpenMode::Read)->size();
  }
}

// The cover and the database of the unpacked package; a file whose entry failed to unpack is
// already reported.
void checkPackageFiles(plat::Platform& fs, const Text& folder, const Text& coverEntry,
                       InstallerReport& r) {
  if (!coverEntry.empty()) {
    const Text coverPath = zipkit::entryTarget(folder, coverEntry).path;
    if (fs.fileExists(coverPath)) {
      r.coverName = coverEntry;
      r.coverBytes = fs.open(coverPath, plat::OpenMode::Read)->size();
      checkCover(fs, coverPath, coverEntry, r.findings);
    }
  }
  const Text databaseEntry = pkg::databaseEntry(*r.packageName);
  const Text databasePath = folder + databaseEntry;
  if (fs.fileExists(databasePath)) {
    r.database = checkDatabase(fs, databasePath, databaseEntry, r.findings);
  }
}

void checkArchive(plat::Platform& fs, const Text& zipPath, const Text& folder, const Text& hint,
                  InstallerReport& r) {
  const Text where = u"the archive at offset " + num(*r.archiveOffset);
  if (!zipkit::isZipArchive(fs, zipPath)) {
    addError(r, r.path, where + u" is no ZIP archive: it has no end record" + hint);
    return;
  }
  Text coverEntry;
  {
    zipkit::ZipReader zip(fs);
    try {
      zip.open(zipPath);
    } catch (const zipkit::ZipError& e) {
      addError(r, r.path, where + u" cannot be read: " + e.message() + hint);
      return;
    }
    r.entries = zip.count();
    r.packageName = findPackage(zip.names(), r.findings);
    if (r.packageName) checkEntryNames(zip.names(), *r.packageName, r.findings);
    if (refusedByRules(zip, r)) return;
    unpackEntries(fs, zip, folder, r);
    // The installer looks the cover up without regard to letter case.
    if (r.packageName) {
      const int cover = zip.indexOf(pkg::coverEntry(*r.packageName));
      if (cover >= 0) coverEntry = zip.names()[static_cast<size_t>(cover)];
    }
  }  // the archive is closed: its folder may be removed afterwards
  if (r.packageName) checkPackageFiles(fs, folder, coverEntry, r);
}

}  // namespace

InstallerReport checkInstaller(plat::Platform& fs, const Text& path, const Text& scratch) {
  InstallerReport r;
  r.path = path;
  try {
    const Text zipPath = scratch + u"package.zip";
    Text hint;
    {
      const std::unique_ptr<plat::File> exe = fs.open(path, plat::OpenMode::Read);
      if (!locateArchive(*exe, r)) return r;
      hint = offsetHint(*exe, r);
      const std::unique_ptr<plat::File> out = fs.open(zipPath, plat::OpenMode::Create);
      layout::copyRange(*exe, *r.archiveOffset, r.archiveSize, *out, 0);
    }
    checkArchive(fs, zipPath, scratch + u"files\\", hint, r);
  } catch (const text::Error& e) {
    addError(r, path, u"cannot check the installer: " + e.message());
  }
  return r;
}

void printReport(std::ostream& to, const InstallerReport& r) {
  const auto utf8 = [](const Text& t) { return text::toUtf8(t); };
  to << "installer: " << utf8(r.path);
  if (r.size) to << ", " << *r.size << " bytes";
  to << "\n";
  if (r.size) {
    if (r.layoutEnd < *r.size) {
      to << "signed: yes (a certificate table follows the trailer: " << *r.size - r.layoutEnd
         << " bytes with its alignment)\n";
    } else {
      to << "signed: no (nothing follows the trailer)\n";
    }
  }
  if (r.archiveOffset) {
    to << "archive: " << r.archiveSize << " bytes at offset " << *r.archiveOffset << "\n";
  }
  if (r.entries) {
    to << "package: " << (r.packageName ? utf8(*r.packageName) : "none found") << "\n";
    to << "entries: " << *r.entries << ", " << r.unpackedBytes << " bytes unpacked\n";
  }
  if (r.coverName) to << "cover: " << utf8(*r.coverName) << ", " << r.coverBytes << " bytes\n";
  if (r.database) {
    to << "database: " << utf8(pkg::databaseEntry(*r.packageName)) << ", info_producent "
       << r.database->producentRows << " rows, Dodatki " << r.database->dodatkiRows << " rows\n";
  }
  printFindings(to, r.findings);
  if (!hasErrors(r.findings) && r.packageName) {
    to << "OK: the installer will install package " << utf8(*r.packageName) << "\n";
    return;
  }
  size_t errors = 0;
  for (const Finding& f : r.findings) errors += f.severity == Severity::Error;
  to << "FAILED: the installer would not install "
     << (r.packageName ? "package " + utf8(*r.packageName) : std::string("a package")) << " ("
     << errors << (errors == 1 ? " error" : " errors") << ")\n";
}

}  // namespace mkinstaller
