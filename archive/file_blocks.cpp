#include "archive/file_blocks.h"

#include <algorithm>
#include <vector>

#include "archive/installer_layout.h"

namespace layout {

void throwEndedEarly(uint64_t done, uint64_t length) {
  throw text::Error(u"the input file ended after " + text::num(static_cast<int64_t>(done)) +
                    u" of " + text::num(static_cast<int64_t>(length)) + u" bytes");
}

void readInBlocks(plat::File& from, uint64_t pos, uint64_t length, const BlockSink& take,
                  const EndedEarly& endedEarly) {
  std::vector<char> buf(static_cast<size_t>(std::min<uint64_t>(kCopyBlock, length)));
  for (uint64_t done = 0; done < length;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), length - done));
    const size_t got = from.readAt(pos + done, buf.data(), want);
    if (got == 0) {
      endedEarly(done, length);
      throwEndedEarly(done, length);  // for a callback that failed to throw
    }
    take(buf.data(), got);
    done += got;
  }
}

}  // namespace layout
