#include "accessorydb/jet/page_file.h"

#include <algorithm>
#include <vector>

namespace jet {

namespace {

constexpr size_t kCachePages = 256;
// Pages a scan reads at a time.
constexpr uint32_t kReadAhead = 16;

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
  pagesOnDisk_ = pageCount_;
}

PageFile::~PageFile() {
  hooks_->open = false;
}

PageFile::CommitHook::CommitHook(std::shared_ptr<Hooks> hooks, BeforeCommit& work)
    : hooks_(std::move(hooks)), work_(&work) {
  hooks_->work.push_back(work_);
}

PageFile::CommitHook::~CommitHook() {
  std::erase(hooks_->work, work_);
}

PageRef PageFile::read(uint32_t page) {
  if (auto it = pending_.find(page); it != pending_.end()) return it->second.bytes;
  if (auto it = cached_.find(page); it != cached_.end()) {
    lru_.splice(lru_.begin(), lru_, it->second);
    return it->second->second;
  }
  if (page >= pagesOnDisk_) {
    throw Error(ErrorKind::Damaged, u"Damaged database: " + pageText(page) +
                                        u" is beyond the end of the file (" +
                                        text::num(pageCount_) + u" pages)");
  }
  // A miss right after a miss on the page before is a scan: the pages after it come in the
  // same read.
  const uint32_t count =
      page == lastMiss_ + 1 ? std::min<uint32_t>(kReadAhead, pagesOnDisk_ - page) : 1;
  readBuffer_.resize(static_cast<size_t>(count) * kPageSize);
  const size_t got = file_->readAt(static_cast<uint64_t>(page) * kPageSize, readBuffer_.data(),
                                   readBuffer_.size());
  if (got < kPageSize)
    throw Error(ErrorKind::Damaged, u"Damaged database: " + pageText(page) + u" is incomplete");
  PageRef first;
  for (uint32_t i = 0; i < got / kPageSize; ++i) {
    const uint32_t at = page + i;
    // A page changed since the last commit, or read before, keeps the bytes it has.
    if (i > 0 && (pending_.contains(at) || cached_.contains(at))) continue;
    auto bytes = std::make_shared<Page>();
    std::copy_n(readBuffer_.data() + static_cast<size_t>(i) * kPageSize, kPageSize, bytes->begin());
    ++io_.reads;
    if (i == 0) first = bytes;
    remember(at, std::move(bytes));
  }
  lastMiss_ = page + static_cast<uint32_t>(got / kPageSize) - 1;
  return first;
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

void PageFile::refuseChanges() const {
  if (!writable_) throw Error(ErrorKind::ReadOnly, u"The database is open read-only");
  if (failure_) {
    throw Error(ErrorKind::WriteFailed,
                u"The database cannot be changed after an error: " + *failure_,
                {.cause = *failure_});
  }
}

Page& PageFile::pendingBytes(uint32_t page, Order order, const Page& from) {
  const auto [it, added] = pending_.try_emplace(page);
  // A page is either pending or cached, never both.
  if (added) {
    if (auto cachedAt = cached_.find(page); cachedAt != cached_.end()) {
      lru_.erase(cachedAt->second);
      cached_.erase(cachedAt);
    }
  }
  return changePending(it->second, page, order, from);
}

Page& PageFile::changePending(Pending& p, uint32_t page, Order order, const Page& from) {
  // A page that no reader holds is changed in place; a held one gets a fresh copy, so that the
  // reader keeps seeing the bytes it read.
  if (p.bytes && p.bytes.use_count() == 1) {
    if (&from != p.bytes.get()) *p.bytes = from;
  } else {
    p.bytes = std::make_shared<Page>(from);
  }
  if (order == Order::Last) p.order = Order::Last;
  p.changed = ++changes_;
  if (page == pageCount_) ++pageCount_;
  return *p.bytes;
}

void PageFile::write(uint32_t page, const Page& bytes, Order order) {
  refuseChanges();
  if (page > pageCount_) {
    throw Error(ErrorKind::Internal, u"Cannot write " + pageText(page) + u": the file has " +
                                         text::num(pageCount_) + u" pages");
  }
  pendingBytes(page, order, bytes);
}

Page& PageFile::change(uint32_t page, Order order) {
  refuseChanges();
  if (page >= pageCount_) {
    throw Error(ErrorKind::Internal, u"Cannot change " + pageText(page) + u": the file has " +
                                         text::num(pageCount_) + u" pages");
  }
  if (const auto it = pending_.find(page); it != pending_.end()) {
    return changePending(it->second, page, order, *it->second.bytes);
  }
  const PageRef current = read(page);
  return pendingBytes(page, order, *current);
}

uint32_t PageFile::append(const Page& bytes) {
  const uint32_t page = pageCount_;
  write(page, bytes);
  return page;
}

void PageFile::commit() {
  if (failure_) {
    throw Error(ErrorKind::WriteFailed,
                u"The database cannot be written after an error: " + *failure_,
                {.cause = *failure_});
  }
  try {
    for (BeforeCommit* work : hooks_->work) work->beforeCommit();
  } catch (const text::Error& e) {
    fail(e.message());
    throw;
  } catch (...) {
    fail(u"the changes kept in memory could not be stored");
    throw;
  }
  if (pending_.empty()) return;
  // In page order, the pages written as Last after all others.
  std::vector<std::pair<Order, uint32_t>> byOrder;
  byOrder.reserve(pending_.size());
  for (const auto& [page, p] : pending_) byOrder.emplace_back(p.order, page);
  std::sort(byOrder.begin(), byOrder.end());
  std::vector<uint32_t> order;
  order.reserve(byOrder.size());
  for (const auto& [o, page] : byOrder) order.push_back(page);
  writeOutPending(order, true);
}

void PageFile::writeBackIfFull(size_t bound) {
  if (pending_.size() < bound) return;
  // The least recently changed quarter: pages that are full or rarely touched (a table's
  // finished data pages, index pages of keys seldom inserted), written once in page order.
  std::vector<std::pair<uint64_t, uint32_t>> byAge;
  byAge.reserve(pending_.size());
  for (const auto& [page, p] : pending_) byAge.emplace_back(p.changed, page);
  const auto oldest = byAge.begin() + static_cast<ptrdiff_t>(bound / 4);
  std::nth_element(byAge.begin(), oldest, byAge.end());
  std::vector<uint32_t> pages;
  pages.reserve(bound / 4);
  for (auto it = byAge.begin(); it != oldest; ++it) pages.push_back(it->second);
  std::sort(pages.begin(), pages.end());
  writeOutPending(pages, false);
}

void PageFile::writeOutPending(const std::vector<uint32_t>& pages, bool flush) {
  try {
    for (const uint32_t page : pages) writeOut(page, *pending_.at(page).bytes);
    if (flush) file_->flush();
  } catch (const text::Error& e) {
    fail(e.message());
    throw Error(ErrorKind::WriteFailed, e.message(), {.cause = e.message()});
  }
  // The pages just written are the likeliest to be read next.
  for (const uint32_t page : pages) {
    const auto it = pending_.find(page);
    remember(page, std::move(it->second.bytes));
    pending_.erase(it);
  }
}

void PageFile::fail(const Text& cause) noexcept {
  if (!failure_) failure_ = cause;
}

bool PageFile::close() noexcept {
  if (!failure_ && writable_) {
    try {
      commit();
    } catch (const std::exception&) {
      // commit() keeps the cause of a failed write; anything else (no memory) gets a general one.
      fail(u"the pending pages could not be written");
    }
  }
  const bool whole = !failure_ || pending_.empty();
  pending_.clear();
  return whole;
}

void PageFile::writeOut(uint32_t page, const Page& bytes) {
  file_->writeAt(static_cast<uint64_t>(page) * kPageSize, bytes.data(), kPageSize);
  ++io_.writes;
  if (page >= pagesOnDisk_) pagesOnDisk_ = page + 1;
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
