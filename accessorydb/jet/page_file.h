// Fixed-size page I/O over a plat::File: a small least-recently-used cache of pages as read (a
// scan's misses read several pages at a time), and a bounded write-back cache of pages changed
// since the last commit.
//
// Writes go to memory. commit() writes the pending pages out, in page order, with the pages
// written as `Last` (table definitions, usage maps) after all others, so that a commit that
// fails half-way has written the pages those name before the maps and definitions that name
// them. When the pending pages reach their bound, writeBackIfFull() writes out the quarter
// changed least recently (each page is then written about once however large the file grows,
// while the pages still changing stay in memory). The file is whole only at a commit; between
// commits it holds the last commit's state plus whatever has been written back or a failed
// commit got through, which is why an error leaves the PageFile failed: every later commit
// throws the first cause, and close() then discards the pending pages.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "accessorydb/jet/format.h"
#include "platform/file.h"

namespace jet {

using Page = std::array<uint8_t, kPageSize>;
// A page as read; the bytes stay valid (and unchanged) while the reference is held.
using PageRef = std::shared_ptr<const Page>;

// Pages read from and written to the file, counted for the benchmarks.
struct PageIo {
  uint64_t reads = 0;
  uint64_t writes = 0;
};

class PageFile {
 public:
  // Which part of a commit writes a page.
  enum class Order { Data, Last };
  // Pending pages that make writeBackIfFull() write some out: 48 MiB of pages for writers that
  // change pages all over the file (index leaves of keys in any order), 16 MiB for those that
  // fill pages one after another (rows, indexes gathered in memory).
  static constexpr size_t kPendingBound = 12288;
  static constexpr size_t kSequentialPendingBound = 4096;

  // Changes kept in memory until a commit (an index gathered in memory): each commit first has
  // them made into pending pages.
  class BeforeCommit {
   public:
    // Throws Error with the cause; the commit then fails.
    virtual void beforeCommit() = 0;

   protected:
    ~BeforeCommit() = default;
  };
  struct Hooks {
    std::vector<BeforeCommit*> work;
    bool open = true;  // while the PageFile lives
  };
  // Has its work called before each commit while it lives; it may outlive the PageFile.
  class CommitHook {
   public:
    CommitHook(std::shared_ptr<Hooks> hooks, BeforeCommit& work);
    ~CommitHook();
    CommitHook(const CommitHook&) = delete;
    CommitHook& operator=(const CommitHook&) = delete;
    bool pageFileOpen() const { return hooks_->open; }

   private:
    std::shared_ptr<Hooks> hooks_;
    BeforeCommit* work_;
  };

  // `writable` allows write() and append(); the file must then be open for writing.
  PageFile(std::unique_ptr<plat::File> file, bool writable);
  // Discards pending pages: only commit() and close() write.
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Whole pages, counting pending new pages (a partial page at the end does not count).
  uint32_t pageCount() const { return pageCount_; }
  bool writable() const { return writable_; }

  // Throws Error when the page lies beyond the end of the file.
  PageRef read(uint32_t page);
  // Also throws unless the page's type byte is `type`; `what` names the structure for the message.
  PageRef readTyped(uint32_t page, PageType type, const char* what);

  // Replaces a page (page < pageCount) or, with page == pageCount, appends one; both pending
  // until the next commit.
  void write(uint32_t page, const Page& bytes, Order order = Order::Data);
  // The bytes of an existing page to change in place, pending as write() makes them; they are
  // copied first when a reader holds them. Good until the next call of a PageFile member.
  Page& change(uint32_t page, Order order = Order::Data);
  uint32_t append(const Page& bytes);

  CommitHook hookBeforeCommit(BeforeCommit& work) { return CommitHook(hooks_, work); }

  // Has the hooked work store its changes, then writes the pending pages out and flushes the
  // file; throws Error with the cause. After a failed commit, and after fail(), the file is not
  // whole: every later commit throws.
  void commit();
  // Writes out the least recently changed quarter of `bound` pending pages when they have
  // reached it (kPendingBound or kSequentialPendingBound); the file is whole again at the next
  // commit. Throws Error with the cause.
  void writeBackIfFull(size_t bound);
  // Marks the pending pages as unfit to write (a change failed half-way); `cause` is kept for
  // the commits that follow.
  void fail(const Text& cause) noexcept;
  // The first failure, if any.
  const std::optional<Text>& failure() const { return failure_; }
  // Commits unless an error came first; returns false when pending pages were discarded
  // (failure() says why). Never throws.
  bool close() noexcept;

  size_t pendingPages() const { return pending_.size(); }
  const PageIo& io() const { return io_; }

 private:
  struct Pending {
    std::shared_ptr<Page> bytes;
    Order order = Order::Data;
    uint64_t changed = 0;  // when last written, by changes_
  };
  void refuseChanges() const;
  // The page's pending bytes, newly changed and no reader's, holding `from` (which may be
  // those bytes themselves).
  Page& pendingBytes(uint32_t page, Order order, const Page& from);
  // The same for a page already pending, as `p`.
  Page& changePending(Pending& p, uint32_t page, Order order, const Page& from);
  void remember(uint32_t page, PageRef bytes);
  // Writes the pending pages in the given order (flushing the file after them, for a commit),
  // then keeps them as read.
  void writeOutPending(const std::vector<uint32_t>& pages, bool flush);
  void writeOut(uint32_t page, const Page& bytes);

  std::unique_ptr<plat::File> file_;
  bool writable_;
  uint32_t pageCount_;
  uint32_t pagesOnDisk_;
  std::optional<Text> failure_;
  std::shared_ptr<Hooks> hooks_ = std::make_shared<Hooks>();
  std::unordered_map<uint32_t, Pending> pending_;  // by page number
  uint64_t changes_ = 0;
  // Least recently used at the back.
  std::list<std::pair<uint32_t, PageRef>> lru_;
  std::unordered_map<uint32_t, std::list<std::pair<uint32_t, PageRef>>::iterator> cached_;
  PageIo io_;
  // The last page read from the disk, and the buffer of the reads.
  uint32_t lastMiss_ = kPageNumberMask;
  std::vector<uint8_t> readBuffer_;
};

}  // namespace jet
