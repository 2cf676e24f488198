#include "accessorydb/jet/index_page.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace jet {

namespace {

uint32_t u32be(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

Error damaged(uint32_t pageNo, const char16_t* what) {
  return Error(ErrorKind::Damaged,
               u"Damaged database: index page " + text::num(pageNo) + u" " + what);
}

}  // namespace

size_t IndexPage::entryBytes() const {
  size_t n = 0;
  for (const IndexEntry& e : entries) n += e.size();
  return n;
}

IndexPage decodeIndexPage(const Page& bytes, uint32_t pageNo) {
  IndexPage page;
  const uint8_t type = bytes[pagehead::kTypeOffset];
  if (type != kPageIndexLeaf && type != kPageIndexNode) {
    throw damaged(pageNo, u"is not an index page");
  }
  page.leaf = type == kPageIndexLeaf;
  page.owner = u32le(&bytes[pagehead::kOwnerOffset]);
  page.prev = u32le(&bytes[indexpage::kPrevOffset]);
  page.next = u32le(&bytes[indexpage::kNextOffset]);
  page.tail = u32le(&bytes[indexpage::kTailOffset]);
  const size_t freeSpace = u16le(&bytes[pagehead::kFreeSpaceOffset]);
  if (freeSpace > indexpage::kEntrySpace) throw damaged(pageNo, u"has a wrong free-space figure");
  const size_t used = indexpage::kEntrySpace - freeSpace;
  const size_t prefix = u16le(&bytes[indexpage::kPrefixLengthOffset]);
  const size_t minEntry =
      page.leaf ? indexpage::kRowIdSize : indexpage::kRowIdSize + indexpage::kChildPageSize;
  size_t start = 0;
  for (size_t pos = 1; pos <= used; ++pos) {
    if (!bitAt(&bytes[indexpage::kBitmapOffset], pos)) continue;
    const uint8_t* stored = &bytes[indexpage::kEntriesOffset + start];
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
  if (!page.fits())
    throw Error(ErrorKind::Internal, u"Internal error: index entries do not fit their page");
  Page bytes{};
  bytes[pagehead::kTypeOffset] = page.leaf ? kPageIndexLeaf : kPageIndexNode;
  bytes[pagehead::kMarkerOffset] = pagehead::kMarker;
  putU32le(&bytes[pagehead::kOwnerOffset], page.owner);
  putU32le(&bytes[indexpage::kPrevOffset], page.prev);
  putU32le(&bytes[indexpage::kNextOffset], page.next);
  putU32le(&bytes[indexpage::kTailOffset], page.tail);
  if (!page.leaf) bytes[indexpage::kNodeFlagOffset] = indexpage::kNodeFlag;
  size_t pos = 0;
  for (const IndexEntry& e : page.entries) {
    std::copy(e.begin(), e.end(), bytes.begin() + indexpage::kEntriesOffset + pos);
    pos += e.size();
    setBitAt(&bytes[indexpage::kBitmapOffset], pos, true);
  }
  putU16le(&bytes[pagehead::kFreeSpaceOffset], static_cast<uint16_t>(indexpage::kEntrySpace - pos));
  return bytes;
}

IndexEntry leafEntry(const std::vector<uint8_t>& key, RowPointer row) {
  IndexEntry e(key.size() + indexpage::kRowIdSize);
  std::copy(key.begin(), key.end(), e.begin());
  putRowId(e.data() + key.size(), row);
  return e;
}

void putRowId(uint8_t* out, RowPointer row) {
  out[0] = static_cast<uint8_t>(row.page >> 16);
  out[1] = static_cast<uint8_t>(row.page >> 8);
  out[2] = static_cast<uint8_t>(row.page);
  out[3] = row.row;
}

RowPointer leafEntryRow(const IndexEntry& entry) {
  const uint8_t* p = entry.data() + entry.size() - indexpage::kRowIdSize;
  return {(static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2], p[3]};
}

IndexEntry nodeEntry(const IndexEntry& childLastEntry, uint32_t childPage) {
  IndexEntry e(childLastEntry);
  e.insert(e.end(), {static_cast<uint8_t>(childPage >> 24), static_cast<uint8_t>(childPage >> 16),
                     static_cast<uint8_t>(childPage >> 8), static_cast<uint8_t>(childPage)});
  return e;
}

uint32_t nodeEntryChild(const IndexEntry& entry) {
  return u32be(entry.data() + entry.size() - indexpage::kChildPageSize);
}

std::optional<StoredLeaf> StoredLeaf::of(PageRef bytes, uint32_t pageNo) {
  const Page& page = *bytes;
  if (page[pagehead::kTypeOffset] != kPageIndexLeaf ||
      u16le(&page[indexpage::kPrefixLengthOffset]) != 0) {
    return std::nullopt;
  }
  const size_t freeSpace = u16le(&page[pagehead::kFreeSpaceOffset]);
  if (freeSpace > indexpage::kEntrySpace) throw damaged(pageNo, u"has a wrong free-space figure");
  const size_t used = indexpage::kEntrySpace - freeSpace;
  std::vector<uint16_t> ends;
  ends.reserve(used / indexpage::kRowIdSize + 1);
  // Bits 1 to `used` of the bitmap, 64 at a time (the bitmap lies inside the page, before the
  // entries, so the last word's read stays in the page).
  const uint8_t* bitmap = &page[indexpage::kBitmapOffset];
  for (size_t word = 0; word * 64 <= used; ++word) {
    uint64_t bits = 0;
    std::memcpy(&bits, bitmap + word * 8, sizeof bits);
    if (word == 0) bits &= ~uint64_t{1};
    if (used - word * 64 < 63) bits &= (uint64_t{2} << (used - word * 64)) - 1;
    for (; bits != 0; bits &= bits - 1) {
      ends.push_back(
          static_cast<uint16_t>(word * 64 + static_cast<size_t>(std::countr_zero(bits))));
    }
  }
  size_t start = 0;
  size_t largest = 0;
  for (const uint16_t end : ends) {
    if (end - start < indexpage::kRowIdSize)
      throw damaged(pageNo, u"has an entry that is too short");
    largest = std::max(largest, end - start);
    start = end;
  }
  if (start != used) throw damaged(pageNo, u"has entry bytes after its last entry");
  return StoredLeaf(std::move(bytes), std::move(ends), largest);
}

ByteView StoredLeaf::entry(size_t i) const {
  const size_t start = i == 0 ? 0 : ends_[i - 1];
  return ByteView(bytes_->data() + indexpage::kEntriesOffset + start, ends_[i] - start);
}

size_t StoredLeaf::lowerBound(ByteView target) const {
  size_t low = 0;
  size_t high = ends_.size();
  while (low < high) {
    const size_t mid = (low + high) / 2;
    const ByteView e = entry(mid);
    if (entryLess(e, target)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

void StoredLeaf::insert(size_t i, ByteView entry, Page& page) {
  const size_t used = entryBytes();
  const size_t length = entry.size();
  const size_t start = i == 0 ? 0 : ends_[i - 1];
  uint8_t* entries = &page[indexpage::kEntriesOffset];
  std::memmove(entries + start + length, entries + start, used - start);
  std::memcpy(entries + start, entry.data(), length);
  // The bits after `start` are set again, each end moved by the entry's length.
  uint8_t* bitmap = &page[indexpage::kBitmapOffset];
  const size_t firstByte = (start + 1) / 8;
  bitmap[firstByte] &= static_cast<uint8_t>((1u << ((start + 1) % 8)) - 1);
  std::memset(bitmap + firstByte + 1, 0, (used + length) / 8 - firstByte);
  setBitAt(bitmap, start + length, true);
  for (size_t j = i; j < ends_.size(); ++j) {
    ends_[j] = static_cast<uint16_t>(ends_[j] + length);
    setBitAt(bitmap, ends_[j], true);
  }
  putU16le(&page[pagehead::kFreeSpaceOffset],
           static_cast<uint16_t>(indexpage::kEntrySpace - used - length));
  ends_.insert(ends_.begin() + static_cast<ptrdiff_t>(i), static_cast<uint16_t>(start + length));
  largest_ = std::max(largest_, length);
}

}  // namespace jet
