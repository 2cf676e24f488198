// The installer executable's layout:
//   [program file][package archive][EF BB BF][archive offset, right-aligned in 20 characters]
// mkinstaller writes it; the installer's payload step reads the trailer back (payload_trailer.h,
// signed_installer.h) and copies the archive out with copyRange.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/file_blocks.h"
#include "archive/payload_trailer.h"
#include "platform/file.h"

namespace layout {

// A UTF-8 byte-order mark between the archive and the trailer; the installer copies it out
// along with the archive and its ZIP reader tolerates it.
inline constexpr char kMark[] = "\xEF\xBB\xBF";
inline constexpr size_t kMarkSize = sizeof(kMark) - 1;
// Copies stream through a buffer of this size; no file is ever held in memory whole.
inline constexpr size_t kCopyBlock = 1 << 20;

// The trailer (kTrailerSize characters) for an archive starting at byte offset: decimal
// digits padded on the left with blanks. Throws text::Error when the offset is 0 (the installer
// reads that as "no package") or does not fit the installer's signed 64-bit reading.
std::string formatTrailer(uint64_t offset);

// Copies length bytes of from, starting at pos, to to at toPos through a kCopyBlock buffer;
// returns the position after them. When from ends early, endedEarly throws.
uint64_t copyRange(plat::File& from, uint64_t pos, uint64_t length, plat::File& to, uint64_t toPos,
                   const EndedEarly& endedEarly = throwEndedEarly);

struct Written {
  uint64_t archiveOffset = 0;  // == the program file's size
  uint64_t totalSize = 0;
};

// Whether an installer of this size can still be signed: Authenticode appends its certificate
// table at the end, aligned to 8 bytes, and the PE header holds the table's offset in 32 bits.
bool canBeSigned(uint64_t installerSize);

// Writes program, archive, mark and trailer into out from its first byte. The archive is taken
// as it is, unchecked. Throws text::Error (plat::FileError from the files) on failure.
Written writeInstaller(plat::File& program, plat::File& archive, plat::File& out);

}  // namespace layout
