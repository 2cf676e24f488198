// The package archive written from a package folder's items.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/zip_writer.h"
#include "tools/mkinstaller/package_folder.h"

namespace mkinstaller {

// Every entry carries this time, so that the same package gives the same bytes.
inline constexpr zipkit::DosTime kEntryTime{};

// Whether an entry of this many bytes needs ZIP64 records: Deflate may make data a little
// larger, and a compressed size of 4 GiB or more does not fit the 32-bit header fields.
bool needsZip64(uint64_t fileSize);

// Writes items, in their order, into a new archive at archivePath: Deflate, the UTF-8 flag on
// every name, kEntryTime on every entry. Each file streams through a fixed buffer. Returns the
// archive's size. Throws text::Error naming the entry or the archive on failure; the archive
// file may then be left behind, half-written.
uint64_t writePackageArchive(plat::Platform& fs, const std::vector<PackageItem>& items,
                             const Text& archivePath);

}  // namespace mkinstaller
