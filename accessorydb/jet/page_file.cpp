#include "accessorydb/jet/page_file.h"

namespace jet {

namespace {

constexpr size_t kCachePages = 256;

Text pageText(uint32_t page) {
  return u"page " + text::num(page);
}

}  // namespace

PageFile::PageFile(std::unique_ptr<plat::File> file, bool writable)
    : file_(std::move(file)), writable_(writable) {
  const uint64_t pages = file_->size() / kPageSize;
  if (pages > kPageNumberMask)
    throw Error(ErrorKind::NotJet4, u"Not a Jet 4 database: the file is too large");
  pageCount_ = static_cast<uint32_t>(pages);
}

PageRef PageFile::read(uint32_t page) {
  if (auto it = cached_.find(page); it != cached_.end()) {
    lru_.splice(lru_.begin(), lru_, it->second);
    return it->second->second;
  }
  if (page >= pageCount_) {
    throw Error(ErrorKind::Damaged, u"Damaged database: " + pageText(page) +
                                        u" is beyond the end of the file (" +
                                        text::num(pageCount_) + u" pages)");
  }
  auto bytes = std::make_shared<Page>();
  const size_t got =
      file_->readAt(static_cast<uint64_t>(page) * kPageSize, bytes->data(), kPageSize);
  if (got != kPageSize)
    throw Error(ErrorKind::Damaged, u"Damaged database: " + pageText(page) + u" is incomplete");
  remember(page, bytes);
  return bytes;
}

PageRef PageFile::readTyped(uint32_t page, PageType type, const char* what) {
  PageRef bytes = read(page);
  const uint8_t actual = (*bytes)[pagehead::kTypeOffset];
  if (actual != type) {
    throw Error(ErrorKind::Damaged, u"Damaged database: " + pageText(page) + u" should hold " +
                                        text::fromUtf8(what) + u" (page type " + text::num(type) +
                                        u") but has page type " + text::num(actual));
  }
  return bytes;
}

void PageFile::write(uint32_t page, const Page& bytes) {
  if (!writable_) throw Error(ErrorKind::ReadOnly, u"The database is open read-only");
  if (page > pageCount_) {
    throw Error(ErrorKind::Internal, u"Cannot write " + pageText(page) + u": the file has " +
                                         text::num(pageCount_) + u" pages");
  }
  file_->writeAt(static_cast<uint64_t>(page) * kPageSize, bytes.data(), kPageSize);
  if (page == pageCount_) ++pageCount_;
  // A fresh copy: readers holding the old PageRef keep seeing the old bytes.
  remember(page, std::make_shared<Page>(bytes));
}

uint32_t PageFile::append(const Page& bytes) {
  const uint32_t page = pageCount_;
  write(page, bytes);
  return page;
}

void PageFile::flush() {
  file_->flush();
}

void PageFile::remember(uint32_t page, PageRef bytes) {
  if (auto it = cached_.find(page); it != cached_.end()) {
    it->second->second = std::move(bytes);
    lru_.splice(lru_.begin(), lru_, it->second);
    return;
  }
  lru_.emplace_front(page, std::move(bytes));
  cached_[page] = lru_.begin();
  if (lru_.size() > kCachePages) {
    cached_.erase(lru_.back().first);
    lru_.pop_back();
  }
}

}  // namespace jet
