// Streaming part of a file through a buffer of at most layout::kCopyBlock bytes, so that no file
// is ever held in memory whole.
#pragma once

#include <functional>

#include "platform/file.h"

namespace layout {

using BlockSink = std::function<void(const char* data, size_t n)>;

// Throws the error for a file that ended after done of length bytes.
using EndedEarly = std::function<void(uint64_t done, uint64_t length)>;

// The tools' error: a text::Error naming both counts.
[[noreturn]] void throwEndedEarly(uint64_t done, uint64_t length);

// Hands length bytes of from, starting at pos, to take, block by block. A read that gives
// nothing before length bytes are done calls endedEarly, which throws.
void readInBlocks(plat::File& from, uint64_t pos, uint64_t length, const BlockSink& take,
                  const EndedEarly& endedEarly = throwEndedEarly);

}  // namespace layout
