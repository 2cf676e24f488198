#include "accessorydb/jet/index_page.h"

namespace jet {

namespace {

constexpr size_t kFreeSpaceOffset = 2;
constexpr size_t kOwnerOffset = 4;
constexpr size_t kPrevOffset = 12;
constexpr size_t kNextOffset = 16;
constexpr size_t kTailOffset = 20;
constexpr size_t kPrefixOffset = 24;
constexpr size_t kBitmapOffset = 27;

uint32_t u32be(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

Error damaged(uint32_t pageNo, const char16_t* what) {
  return Error(u"Damaged database: index page " + text::num(pageNo) + u" " + what);
}

}  // namespace

size_t IndexPage::entryBytes() const {
  size_t n = 0;
  for (const IndexEntry& e : entries) n += e.size();
  return n;
}

IndexPage decodeIndexPage(const Page& bytes, uint32_t pageNo) {
  IndexPage page;
  if (bytes[0] != kPageIndexLeaf && bytes[0] != kPageIndexNode) {
    throw damaged(pageNo, u"is not an index page");
  }
  page.leaf = bytes[0] == kPageIndexLeaf;
  page.owner = u32le(&bytes[kOwnerOffset]);
  page.prev = u32le(&bytes[kPrevOffset]);
  page.next = u32le(&bytes[kNextOffset]);
  page.tail = u32le(&bytes[kTailOffset]);
  const size_t freeSpace = u16le(&bytes[kFreeSpaceOffset]);
  if (freeSpace > kIndexPageSpace) throw damaged(pageNo, u"has a wrong free-space figure");
  const size_t used = kIndexPageSpace - freeSpace;
  const size_t prefix = u16le(&bytes[kPrefixOffset]);
  const size_t minEntry = page.leaf ? kRowIdSize : kRowIdSize + kChildPageSize;
  size_t start = 0;
  for (size_t pos = 1; pos <= used; ++pos) {
    if (!(bytes[kBitmapOffset + pos / 8] & (1u << (pos % 8)))) continue;
    const uint8_t* stored = &bytes[kIndexEntriesOffset + start];
    IndexEntry entry;
    if (!page.entries.empty()) {
      if (prefix > page.entries.front().size()) throw damaged(pageNo, u"has a wrong prefix length");
      entry.assign(page.entries.front().begin(), page.entries.front().begin() + prefix);
    }
    entry.insert(entry.end(), stored, stored + (pos - start));
    if (entry.size() < minEntry) throw damaged(pageNo, u"has an entry that is too short");
    page.entries.push_back(std::move(entry));
    start = pos;
  }
  if (start != used) throw damaged(pageNo, u"has entry bytes after its last entry");
  return page;
}

Page encodeIndexPage(const IndexPage& page) {
  if (!page.fits()) throw Error(u"Internal error: index entries do not fit their page");
  Page bytes{};
  bytes[0] = page.leaf ? kPageIndexLeaf : kPageIndexNode;
  bytes[1] = 0x01;
  putU32le(&bytes[kOwnerOffset], page.owner);
  putU32le(&bytes[kPrevOffset], page.prev);
  putU32le(&bytes[kNextOffset], page.next);
  putU32le(&bytes[kTailOffset], page.tail);
  size_t pos = 0;
  for (const IndexEntry& e : page.entries) {
    std::copy(e.begin(), e.end(), bytes.begin() + kIndexEntriesOffset + pos);
    pos += e.size();
    bytes[kBitmapOffset + pos / 8] |= static_cast<uint8_t>(1u << (pos % 8));
  }
  putU16le(&bytes[kFreeSpaceOffset], static_cast<uint16_t>(kIndexPageSpace - pos));
  return bytes;
}

IndexEntry leafEntry(const std::vector<uint8_t>& key, RowPointer row) {
  IndexEntry e(key);
  e.insert(e.end(), {static_cast<uint8_t>(row.page >> 16), static_cast<uint8_t>(row.page >> 8),
                     static_cast<uint8_t>(row.page), row.row});
  return e;
}

RowPointer leafEntryRow(const IndexEntry& entry) {
  const uint8_t* p = entry.data() + entry.size() - kRowIdSize;
  return {(static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2], p[3]};
}

IndexEntry nodeEntry(const IndexEntry& childLastEntry, uint32_t childPage) {
  IndexEntry e(childLastEntry);
  e.insert(e.end(), {static_cast<uint8_t>(childPage >> 24), static_cast<uint8_t>(childPage >> 16),
                     static_cast<uint8_t>(childPage >> 8), static_cast<uint8_t>(childPage)});
  return e;
}

uint32_t nodeEntryChild(const IndexEntry& entry) {
  return u32be(entry.data() + entry.size() - kChildPageSize);
}

}  // namespace jet
