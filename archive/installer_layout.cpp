#include "archive/installer_layout.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace layout {

uint64_t copyRange(plat::File& from, uint64_t pos, uint64_t length, plat::File& to, uint64_t toPos,
                   const EndedEarly& endedEarly) {
  readInBlocks(
      from, pos, length,
      [&](const char* data, size_t n) {
        to.writeAt(toPos, data, n);
        toPos += n;
      },
      endedEarly);
  return toPos;
}

std::string formatTrailer(uint64_t offset) {
  if (offset == 0) {
    throw text::Error(u"the program file is empty: an archive offset of 0 means no package");
  }
  if (offset > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
    throw text::Error(u"the archive offset does not fit a signed 64-bit number");
  }
  const std::string digits = std::to_string(offset);
  return std::string(layout::kTrailerSize - digits.size(), ' ') + digits;
}

bool canBeSigned(uint64_t installerSize) {
  constexpr uint64_t kAlignment = 8;
  constexpr uint64_t kLastOffset = std::numeric_limits<uint32_t>::max();
  if (installerSize > kLastOffset) return false;
  return (installerSize + kAlignment - 1) / kAlignment * kAlignment <= kLastOffset;
}

Written writeInstaller(plat::File& program, plat::File& archive, plat::File& out) {
  Written w;
  w.archiveOffset = program.size();
  const std::string trailer = formatTrailer(w.archiveOffset);
  out.truncate(0);
  uint64_t pos = copyRange(program, 0, program.size(), out, 0);
  pos = copyRange(archive, 0, archive.size(), out, pos);
  out.writeAt(pos, kMark, kMarkSize);
  pos += kMarkSize;
  out.writeAt(pos, trailer.data(), trailer.size());
  w.totalSize = pos + trailer.size();
  out.flush();
  return w;
}

}  // namespace layout
