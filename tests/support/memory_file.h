// The tests' one in-memory plat::File: bytes that the test may share with the code under test,
// so that what one writes the other reads. Like a Windows file, an empty write changes nothing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file.h"

namespace testsupport {

using Bytes = std::vector<uint8_t>;
using SharedBytes = std::shared_ptr<Bytes>;

class MemoryFile : public plat::File {
 public:
  explicit MemoryFile(SharedBytes bytes) : bytes_(std::move(bytes)) {}
  explicit MemoryFile(Bytes bytes = {}) : MemoryFile(std::make_shared<Bytes>(std::move(bytes))) {}
  explicit MemoryFile(std::string_view bytes) : MemoryFile(Bytes(bytes.begin(), bytes.end())) {}

  std::string bytes() const { return std::string(bytes_->begin(), bytes_->end()); }

  uint64_t size() override { return bytes_->size(); }
  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    if (pos >= bytes_->size()) return 0;
    const size_t got = static_cast<size_t>(std::min<uint64_t>(n, bytes_->size() - pos));
    std::memcpy(buf, bytes_->data() + pos, got);
    return got;
  }
  void writeAt(uint64_t pos, const void* buf, size_t n) override {
    if (n == 0) return;
    if (bytes_->size() < pos + n) bytes_->resize(pos + n);
    std::memcpy(bytes_->data() + pos, buf, n);
  }
  void truncate(uint64_t size) override { bytes_->resize(size); }
  void flush() override {}

 private:
  SharedBytes bytes_;
};

}  // namespace testsupport
