#include "tools/mkinstaller/installer_layout.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace layout {

namespace {

// Appends the whole of from to out at position pos; returns the position after it.
uint64_t appendFile(plat::File& from, plat::File& out, uint64_t pos, std::vector<char>& buf) {
  const uint64_t size = from.size();
  for (uint64_t done = 0; done < size;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - done));
    const size_t got = from.readAt(done, buf.data(), want);
    if (got == 0) {
      throw text::Error(u"the input file ended after " + text::num(static_cast<int64_t>(done)) +
                        u" of " + text::num(static_cast<int64_t>(size)) + u" bytes");
    }
    out.writeAt(pos, buf.data(), got);
    pos += got;
    done += got;
  }
  return pos;
}

}  // namespace

std::string formatTrailer(uint64_t offset) {
  if (offset == 0) {
    throw text::Error(u"the program file is empty: an archive offset of 0 means no package");
  }
  if (offset > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
    throw text::Error(u"the archive offset does not fit a signed 64-bit number");
  }
  const std::string digits = std::to_string(offset);
  return std::string(kTrailerSize - digits.size(), ' ') + digits;
}

Written writeInstaller(plat::File& program, plat::File& archive, plat::File& out) {
  Written w;
  w.archiveOffset = program.size();
  const std::string trailer = formatTrailer(w.archiveOffset);
  std::vector<char> buf(kCopyBlock);
  out.truncate(0);
  uint64_t pos = appendFile(program, out, 0, buf);
  pos = appendFile(archive, out, pos, buf);
  out.writeAt(pos, kMark, kMarkSize);
  pos += kMarkSize;
  out.writeAt(pos, trailer.data(), trailer.size());
  w.totalSize = pos + trailer.size();
  out.flush();
  return w;
}

}  // namespace layout
