// Fixed-size page I/O over a plat::File, with a small least-recently-used cache.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

#include "accessorydb/jet/format.h"
#include "platform/file.h"

namespace jet {

using Page = std::array<uint8_t, kPageSize>;
// A page as read; the bytes stay valid (and unchanged) while the reference is held.
using PageRef = std::shared_ptr<const Page>;

class PageFile {
 public:
  // `writable` allows write() and append(); the file must then be open for writing.
  PageFile(std::unique_ptr<plat::File> file, bool writable);

  // Whole pages in the file (a partial page at the end does not count).
  uint32_t pageCount() const { return pageCount_; }
  bool writable() const { return writable_; }

  // Throws Error when the page lies beyond the end of the file.
  PageRef read(uint32_t page);
  // Also throws unless the page's type byte is `type`; `what` names the structure for the message.
  PageRef readTyped(uint32_t page, PageType type, const char* what);

  // Replaces a page (page < pageCount) or, with page == pageCount, appends one.
  void write(uint32_t page, const Page& bytes);
  uint32_t append(const Page& bytes);
  void flush();

 private:
  void remember(uint32_t page, PageRef bytes);

  std::unique_ptr<plat::File> file_;
  bool writable_;
  uint32_t pageCount_;
  // Least recently used at the back.
  std::list<std::pair<uint32_t, PageRef>> lru_;
  std::unordered_map<uint32_t, std::list<std::pair<uint32_t, PageRef>>::iterator> cached_;
};

}  // namespace jet
