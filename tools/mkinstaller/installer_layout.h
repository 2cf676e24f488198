// The installer executable's layout, as the installer's payload step reads it back:
//   [program file][package archive][EF BB BF][archive offset, right-aligned in 20 characters]
// This side only writes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file.h"

namespace layout {

inline constexpr size_t kTrailerSize = 20;
// A UTF-8 byte-order mark between the archive and the trailer; the installer copies it out
// along with the archive and its ZIP reader tolerates it.
inline constexpr char kMark[] = "\xEF\xBB\xBF";
inline constexpr size_t kMarkSize = sizeof(kMark) - 1;
// Copies stream through a buffer of this size; no file is ever held in memory whole.
inline constexpr size_t kCopyBlock = 1 << 20;

// The 20-character trailer for an archive starting at byte offset: decimal digits padded on the
// left with blanks. Throws text::Error when the offset is 0 (the installer reads that as "no
// package") or does not fit the installer's signed 64-bit reading.
std::string formatTrailer(uint64_t offset);

struct Written {
  uint64_t archiveOffset = 0;  // == the program file's size
  uint64_t totalSize = 0;
};

// Writes program, archive, mark and trailer into out from its first byte. The archive is taken
// as it is, unchecked. Throws text::Error (plat::FileError from the files) on failure.
Written writeInstaller(plat::File& program, plat::File& archive, plat::File& out);

}  // namespace layout
