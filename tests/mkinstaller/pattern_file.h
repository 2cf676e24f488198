// A file for the layout tests that makes up its content and remembers the largest read asked of
// it; files holding bytes are testsupport::MemoryFile.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/file.h"

namespace testfiles {

// A read-only file of a given size whose byte at position p is patternByte(p); it may claim
// more bytes than it delivers, as a file shrinking under the reader would.
class PatternFile : public plat::File {
 public:
  explicit PatternFile(uint64_t size, uint64_t delivers = UINT64_MAX)
      : size_(size), delivers_(std::min(size, delivers)) {}
  static char patternByte(uint64_t p) { return static_cast<char>((p * 131 + p / 251) & 0xFF); }
  size_t largestRead() const { return largestRead_; }

  uint64_t size() override { return size_; }
  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    largestRead_ = std::max(largestRead_, n);
    if (pos >= delivers_) return 0;
    const size_t got = static_cast<size_t>(std::min<uint64_t>(n, delivers_ - pos));
    for (size_t i = 0; i < got; ++i) static_cast<char*>(buf)[i] = patternByte(pos + i);
    return got;
  }
  void writeAt(uint64_t, const void*, size_t) override { throw plat::FileError(u"read-only"); }
  void truncate(uint64_t) override { throw plat::FileError(u"read-only"); }
  void flush() override {}

 private:
  uint64_t size_;
  uint64_t delivers_;
  size_t largestRead_ = 0;
};

}  // namespace testfiles
