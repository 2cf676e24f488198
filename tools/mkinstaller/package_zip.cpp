#include "tools/mkinstaller/package_zip.h"

#include "archive/file_blocks.h"

namespace mkinstaller {

namespace {

std::unique_ptr<plat::File> openSource(plat::Platform& fs, const PackageItem& item) {
  try {
    return fs.open(item.sourcePath, plat::OpenMode::Read);
  } catch (const text::Error& e) {
    throw text::Error(u"cannot read " + item.sourcePath + u": " + e.message());
  }
}

// Looks at every file before the archive is begun: the sizes decide whether it needs ZIP64
// records, and an unreadable file stops the build early. Files are opened one at a time, as a
// package may hold more of them than a process may keep open.
bool anyNeedsZip64(plat::Platform& fs, const std::vector<PackageItem>& items) {
  bool any = false;
  for (const PackageItem& item : items) {
    if (!item.isFolder() && needsZip64(openSource(fs, item)->size())) any = true;
  }
  return any;
}

}  // namespace

bool needsZip64(uint64_t fileSize) {
  // zlib's deflateBound for the default settings, in 64 bits.
  const uint64_t bound = fileSize + (fileSize >> 12) + (fileSize >> 14) + (fileSize >> 25) + 13;
  return bound >= 0xFFFFFFFFu;
}

uint64_t writePackageArchive(plat::Platform& fs, const std::vector<PackageItem>& items,
                             const Text& archivePath) {
  zipkit::WriterOptions options;
  options.fixedTime = kEntryTime;
  options.forceZip64 = anyNeedsZip64(fs, items);
  zipkit::ZipWriter zip(fs, archivePath, options);
  for (const PackageItem& item : items) {
    if (item.isFolder()) {
      zip.addFolder(item.entryName);
      continue;
    }
    const auto file = openSource(fs, item);
    try {
      zip.beginFile(item.entryName, zipkit::Method::Deflate);
      layout::readInBlocks(*file, 0, file->size(),
                           [&](const char* data, size_t n) { zip.write(data, n); });
      zip.endFile();
    } catch (const text::Error& e) {
      throw text::Error(u"cannot pack " + item.sourcePath + u": " + e.message());
    }
  }
  zip.finish();
  return fs.open(archivePath, plat::OpenMode::Read)->size();
}

}  // namespace mkinstaller
