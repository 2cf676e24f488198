// Streaming part of a file through a buffer of at most layout::kCopyBlock bytes, so that no file
// is ever held in memory whole.
#pragma once

#include <functional>

#include "platform/file.h"

namespace layout {

using BlockSink = std::function<void(const char* data, size_t n)>;

// Hands length bytes of from, starting at pos, to take, block by block. Throws text::Error when
// the file ends early.
void readInBlocks(plat::File& from, uint64_t pos, uint64_t length, const BlockSink& take);

}  // namespace layout
