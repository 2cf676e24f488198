// Where a ZIP archive lies: a whole file, or a range of one. The installer reads the package
// archive where it lies at the end of its own executable, so that no second copy of a package
// of hundreds of megabytes is written before anything can be installed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/platform.h"

namespace zipkit {

using text::Text;

struct ArchiveSource {
  Text path;
  uint64_t offset = 0;
  std::optional<uint64_t> length;  // to the end of the file when absent

  ArchiveSource() = default;  // no archive: a file that is not there
  // A whole file.
  ArchiveSource(Text file) : path(std::move(file)) {}  // NOLINT: a path names a whole archive
  ArchiveSource(const char16_t* file) : path(file) {}  // NOLINT: as above
  // length bytes of file from offset on.
  ArchiveSource(Text file, uint64_t from, uint64_t bytes)
      : path(std::move(file)), offset(from), length(bytes) {}

  bool operator==(const ArchiveSource&) const = default;
};

// Opens the archive for reading. A range is read as a file of its own: positions count from its
// start and it ends where the range does, also when the file is shorter. plat::FileError when
// the file cannot be opened.
std::unique_ptr<plat::File> openArchive(plat::Platform& fs, const ArchiveSource& source);

}  // namespace zipkit
