#include "archive/archive_source.h"

#include <algorithm>

namespace zipkit {

namespace {

// A read-only view of a range of a file.
class FileRange final : public plat::File {
 public:
  FileRange(std::unique_ptr<plat::File> file, uint64_t offset, uint64_t length)
      : file_(std::move(file)), offset_(offset), length_(length) {}

  uint64_t size() override {
    const uint64_t whole = file_->size();
    return whole <= offset_ ? 0 : std::min(length_, whole - offset_);
  }
  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    if (pos >= length_) return 0;
    const uint64_t left = length_ - pos;
    return file_->readAt(offset_ + pos, buf, static_cast<size_t>(std::min<uint64_t>(n, left)));
  }
  void writeAt(uint64_t, const void*, size_t) override { refuseWrite(); }
  void truncate(uint64_t) override { refuseWrite(); }
  void flush() override {}

 private:
  [[noreturn]] static void refuseWrite() {
    throw plat::FileError(u"Archiwum pakietu jest tylko do odczytu.");
  }

  std::unique_ptr<plat::File> file_;
  uint64_t offset_;
  uint64_t length_;
};

}  // namespace

std::unique_ptr<plat::File> openArchive(plat::Platform& fs, const ArchiveSource& source) {
  auto file = fs.open(source.path, plat::OpenMode::Read);
  if (source.offset == 0 && !source.length) return file;
  const uint64_t length = source.length.value_or(UINT64_MAX - source.offset);
  return std::make_unique<FileRange>(std::move(file), source.offset, length);
}

}  // namespace zipkit
