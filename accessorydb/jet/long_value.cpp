#include "accessorydb/jet/long_value.h"

#include <unordered_set>

#include "accessorydb/jet/data_page.h"

namespace jet {

namespace {

Error damaged(const Text& what) {
  return Error(ErrorKind::Damaged, u"Damaged long value: " + what);
}

ByteView lvalRow(PageFile& pages, RowPointer at, RowRef& keep) {
  keep = readRow(pages, at, "a long value");
  if (u32le(keep.page->data() + pagehead::kOwnerOffset) != kLvalMarker) {
    throw damaged(u"page " + text::num(at.page) + u" is not a long-value page");
  }
  if (keep.slot.deleted()) {
    throw damaged(u"row " + text::num(at.row) + u" of page " + text::num(at.page) + u" is deleted");
  }
  return keep.slot.bytes;
}

}  // namespace

Bytes readLongValue(PageFile& pages, ByteView slot) {
  requireBytes(slot, 0, longvalue::kHeaderSize, "long value header");
  const uint32_t length = u32le(slot.data()) & longvalue::kLengthMask;
  const uint8_t flags = slot[longvalue::kFlagsOffset];
  const RowPointer first = RowPointer::decode(u32le(slot.data() + longvalue::kPointerOffset));
  if (length == 0 && flags != kLongValueInline) return {};
  if (flags == kLongValueInline) {
    if (slot.size() - longvalue::kHeaderSize < length) {
      throw damaged(u"inline length " + text::num(length) + u" exceeds its " +
                    text::num(static_cast<int64_t>(slot.size() - longvalue::kHeaderSize)) +
                    u" bytes");
    }
    const uint8_t* data = slot.data() + longvalue::kHeaderSize;
    return Bytes(data, data + length);
  }
  RowRef keep;
  if (flags == kLongValueSinglePage) {
    const ByteView row = lvalRow(pages, first, keep);
    if (row.size() < length) {
      throw damaged(u"length " + text::num(length) + u" exceeds its row of " +
                    text::num(static_cast<int64_t>(row.size())) + u" bytes");
    }
    return Bytes(row.begin(), row.begin() + length);
  }
  if (flags != 0) throw damaged(u"unknown storage flags " + text::num(flags));
  // Every chain row carries at least one byte, and each page is visited once per row: the
  // chain cannot loop unnoticed and cannot run longer than the length it promises.
  Bytes out;
  out.reserve(length);
  std::unordered_set<uint32_t> seen;
  for (RowPointer at = first; out.size() < length;) {
    if (at.encode() == 0) {
      throw damaged(u"the chain ends after " + text::num(static_cast<int64_t>(out.size())) +
                    u" of " + text::num(length) + u" bytes");
    }
    if (!seen.insert(at.encode()).second) throw damaged(u"the chain loops");
    const ByteView row = lvalRow(pages, at, keep);
    if (row.size() <= longvalue::kChainLinkSize) throw damaged(u"an empty chain row");
    const size_t take =
        std::min<size_t>(row.size() - longvalue::kChainLinkSize, length - out.size());
    out.insert(out.end(), row.begin() + longvalue::kChainLinkSize,
               row.begin() + longvalue::kChainLinkSize + take);
    at = RowPointer::decode(u32le(row.data()));
  }
  return out;
}

}  // namespace jet
