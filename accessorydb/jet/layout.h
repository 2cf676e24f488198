// The Jet 4 byte layout: every offset, size and limit of the structures the engine reads and
// writes, each named once. Offsets count from the start of the structure they belong to (a page,
// a descriptor, a row). The values that identify structures (page types, column types, flags,
// signatures) are in format.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace jet {

inline constexpr uint32_t kPageSize = 4096;
// Page numbers are 24 bits wide (row pointers, catalog ids), so files hold at most this many pages.
inline constexpr uint32_t kPageNumberMask = 0x00FFFFFF;

// Pages every Jet 4 file has in the same place.
inline constexpr uint32_t kHeaderPage = 0;
inline constexpr uint32_t kGlobalMapPage = 1;
inline constexpr uint32_t kCatalogTdefPage = 2;  // MSysObjects

// Text collations (page 0 and every text column carry one, legacy version 0): "General", which
// the engine writes, and French, which Access writes in French-language databases.
inline constexpr uint16_t kSortOrderGeneral = 1033;
inline constexpr uint16_t kSortOrderFrench = 1036;
inline constexpr uint8_t kSortOrderVersionLegacy = 0;

// A row pointer (usage maps, long values, moved rows): row number in the low byte, page above.
namespace rowpointer {
inline constexpr size_t kSize = 4;
inline constexpr unsigned kRowBits = 8;
inline constexpr uint32_t kRowMask = 0xFF;
}  // namespace rowpointer

// The start of every page but page 0.
namespace pagehead {
inline constexpr size_t kTypeOffset = 0;  // a PageType
inline constexpr size_t kMarkerOffset = 1;
inline constexpr uint8_t kMarker = 0x01;
inline constexpr size_t kFreeSpaceOffset = 2;  // u16
// u32: the owning TDEF page of data and index pages, "LVAL" on long-value pages, 0 on pages of
// usage-map rows, 1 on page 1. TDEF pages keep their next page here.
inline constexpr size_t kOwnerOffset = 4;
}  // namespace pagehead

// Page 0, the database header. Bytes kMaskOffset .. kMaskOffset + kMaskLength are stored masked.
namespace page0 {
inline constexpr size_t kEngineNameOffset = 0x04;
inline constexpr std::string_view kJetEngineName = "Standard Jet DB";  // then a NUL
inline constexpr std::string_view kAceEngineName = "Standard ACE DB";
inline constexpr size_t kVersionOffset = 0x14;
inline constexpr uint8_t kVersionJet3 = 0x00;
inline constexpr uint8_t kVersionJet4 = 0x01;
inline constexpr size_t kMaskOffset = 0x18;
inline constexpr size_t kMaskLength = 128;
inline constexpr uint32_t kMaskKey = 0x6B39DAC7;  // RC4 key of the mask
// 0x18..0x2F after unmasking: the same 24 bytes in every Jet 4 file examined; meaning unknown.
inline constexpr size_t kConstantBlockOffset = 0x18;
inline constexpr uint8_t kConstantBlock[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                               0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                               0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
inline constexpr size_t kCodePageOffset = 0x3C;
inline constexpr uint16_t kCodePageWestern = 1252;
inline constexpr size_t kDatabaseKeyOffset = 0x3E;  // u32, 0: pages are not encrypted
// 20 UCS-2 characters, XORed with the creation day number (kPasswordMaskSize bytes, repeated).
inline constexpr size_t kPasswordOffset = 0x42;
inline constexpr size_t kPasswordSize = 40;
inline constexpr size_t kPasswordMaskSize = 4;
// The bytes from the password on that the SID mask key is folded from.
inline constexpr size_t kSidKeyRegionSize = 2 * kPasswordSize;
// Varies between Jet-made files (4518 … 9756 seen, probably the engine build); Jet's newer
// ADOX-made empty file carries kEngineBuild.
inline constexpr size_t kEngineBuildOffset = 0x6A;
inline constexpr uint32_t kEngineBuild = 0x261C;
inline constexpr size_t kSortOrderOffset = 0x6E;
inline constexpr size_t kSortOrderVersionOffset = 0x71;
inline constexpr size_t kCreatedOffset = 0x72;           // double, days since 1899-12-30
inline constexpr size_t kUnmaskedConstantOffset = 0x98;  // not masked, meaning unknown
inline constexpr uint32_t kUnmaskedConstant = 0x654;
inline constexpr size_t kFormatTextOffset = 0x9C;
inline constexpr std::string_view kFormatText{"4.0", 4};  // with its NUL
// Two bytes per user; kCommitReleased in a slot's second byte means "no write pending". A file
// whose slots read as busy is refused ("too many active users") or taken for damaged.
inline constexpr size_t kCommitSlotsOffset = 0xE00;
inline constexpr size_t kCommitSlotCount = 256;
inline constexpr size_t kCommitSlotSize = 2;
inline constexpr size_t kCommitStateOffset = 1;  // within a slot
inline constexpr uint8_t kCommitReleased = 0x01;
inline constexpr uint8_t kFirstSlotMark = 0x01;  // first byte of slot 0 in Jet's new files
}  // namespace page0

// Data pages (table rows, usage-map rows, long-value rows): after the page head, the row count
// and the offset table; rows are packed downward from the page end, in row order.
namespace datapage {
inline constexpr size_t kRowCountOffset = 12;
inline constexpr size_t kRowTableOffset = 14;
inline constexpr size_t kRowOffsetSize = 2;
inline constexpr size_t kMaxRows = 255;
// Flags in the top bits of an offset-table entry.
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint16_t kRowOverflowTarget = 0x8000;   // moved row: reached through its pointer
inline constexpr uint16_t kRowOverflowPointer = 0x4000;  // holds a row pointer to the moved row
inline constexpr uint16_t kRowDeleted = 0xC000;          // both bits
}  // namespace datapage

// A row: u16 column count, the fixed area, variable values, then at the end the variable offset
// table ([end of data][offset n-1]…[offset 0][count n], u16 each) and the null mask.
namespace rowformat {
inline constexpr size_t kColumnCountSize = 2;
inline constexpr size_t kFixedAreaOffset = kColumnCountSize;
inline constexpr size_t kVarEntrySize = 2;
// The variable offset table of a row with `slots` variable columns: theirs, end of data, count.
constexpr size_t varTableSize(size_t slots) {
  return kVarEntrySize * (slots + 2);
}
// One bit per column, present or (Boolean) true.
constexpr size_t nullMaskSize(size_t columns) {
  return (columns + 7) / 8;
}
}  // namespace rowformat

// Bytes the fixed-size column types take in a row's fixed area (a Boolean lives in the null mask).
namespace valuesize {
inline constexpr uint16_t kByte = 1;
inline constexpr uint16_t kInteger = 2;
inline constexpr uint16_t kLong = 4;
inline constexpr uint16_t kSingle = 4;
inline constexpr uint16_t kCurrency = 8;
inline constexpr uint16_t kDouble = 8;
inline constexpr uint16_t kDateTime = 8;
inline constexpr uint16_t kGuid = 16;
inline constexpr uint16_t kDecimal = 17;
}  // namespace valuesize

// A Decimal: a sign byte, then the 128-bit magnitude as four u32, the most significant first.
namespace decimal {
inline constexpr size_t kSignOffset = 0;
inline constexpr uint8_t kNegative = 0x80;
inline constexpr size_t kWordsOffset = 1;
inline constexpr size_t kWords = 4;
inline constexpr size_t kWordSize = 4;
}  // namespace decimal

// Table definitions: a header of kHeaderSize bytes, a statistics block per real index, column
// descriptors, column names, real-index descriptors, logical-index descriptors, index names, the
// long-value column maps and kEnd. Longer definitions continue on further TDEF pages, each with
// a header of kContinuationHeaderSize bytes.
namespace tdef {
inline constexpr size_t kNextPageOffset = 4;
inline constexpr size_t kLengthOffset = 8;  // u32 tdef_len: the logical TDEF's length
inline constexpr size_t kMagicOffset = 12;
inline constexpr size_t kRowCountOffset = 16;
inline constexpr size_t kAutoNumberOffset = 20;
inline constexpr size_t kAutoNumberFlagOffset = 24;
inline constexpr uint8_t kAutoNumberFlag = 0x01;  // 1 in every file examined
inline constexpr size_t kTableTypeOffset = 40;
inline constexpr uint8_t kCoreSystemTable = 'S';  // Jet's own MSysObjects, MSysACEs …
inline constexpr uint8_t kUserTable = 'N';
inline constexpr size_t kMaxColumnsOffset = 41;
inline constexpr size_t kVariableColumnsOffset = 43;
inline constexpr size_t kColumnCountOffset = 45;
inline constexpr size_t kLogicalIndexCountOffset = 47;
inline constexpr size_t kRealIndexCountOffset = 51;
inline constexpr size_t kOwnedPagesOffset = 55;
inline constexpr size_t kFreePagesOffset = 59;
inline constexpr size_t kHeaderSize = 63;
inline constexpr size_t kContinuationHeaderSize = 8;
// Jet counts a TDEF page's free space this many bytes short of what is really left.
inline constexpr size_t kFreeSpaceShortfall = 8;
// Per real index: three u32, the second the count of distinct keys the index has held.
inline constexpr size_t kIndexStatsSize = 12;
inline constexpr size_t kIndexKeyCountOffset = 4;
// Per long-value column: its column number, then the row pointers of its owned and free maps.
inline constexpr size_t kLongValueMapSize = 10;
inline constexpr size_t kLongValueMapOwnedOffset = 2;
inline constexpr size_t kLongValueMapFreeOffset = 6;
inline constexpr uint16_t kEnd = 0xFFFF;
// A TDEF holds at most 255 columns and a few dozen indexes; anything far beyond is damage.
inline constexpr uint32_t kMaxLength = 64 * kPageSize;
inline constexpr uint32_t kMaxIndexes = 1000;
}  // namespace tdef

namespace columndesc {
inline constexpr size_t kSize = 25;
inline constexpr size_t kTypeOffset = 0;
inline constexpr size_t kMagicOffset = 1;
inline constexpr size_t kNumberOffset = 5;
// Variable columns: the slot in the row's offset table; fixed columns: variable columns before.
inline constexpr size_t kVarIndexOffset = 7;
// Unknown word: Jet leaves 0 in its own tables; user tables carry the column number.
inline constexpr size_t kNumberCopyOffset = 9;
inline constexpr size_t kSortOrderOffset = 11;  // text: the collation
inline constexpr size_t kSortOrderVersionOffset = 14;
inline constexpr size_t kPrecisionOffset = 11;  // Decimal
inline constexpr size_t kScaleOffset = 12;      // Decimal
inline constexpr size_t kFlagsOffset = 15;
inline constexpr size_t kExtraFlagsOffset = 16;
inline constexpr size_t kFixedPositionOffset = 21;  // where a fixed column lies in the fixed area
inline constexpr size_t kLengthOffset = 23;
inline constexpr uint16_t kBooleanLength = 1;  // though a Boolean takes no bytes in the row
}  // namespace columndesc

namespace realindexdesc {
inline constexpr size_t kSize = 52;
inline constexpr size_t kMagicOffset = 0;
// kColumnSlots slots: u16 column number (kUnusedSlot when empty), then the order byte.
inline constexpr size_t kColumnSlotsOffset = 4;
inline constexpr size_t kColumnSlots = 10;
inline constexpr size_t kColumnSlotSize = 3;
inline constexpr size_t kColumnOrderOffset = 2;  // within a slot
inline constexpr uint16_t kUnusedSlot = 0xFFFF;
inline constexpr size_t kUsageMapOffset = 34;
inline constexpr size_t kFirstPageOffset = 38;
inline constexpr size_t kFlagsOffset = 46;
}  // namespace realindexdesc

// Byte 12, the related table's type, stays 0 in what the engine writes.
namespace logicalindexdesc {
inline constexpr size_t kSize = 28;
inline constexpr size_t kMagicOffset = 0;
inline constexpr size_t kNumberOffset = 4;
inline constexpr size_t kRealIndexOffset = 8;
inline constexpr size_t kRelatedIndexOffset = 13;
inline constexpr size_t kRelatedTableOffset = 17;
inline constexpr size_t kCascadeUpdatesOffset = 21;
inline constexpr size_t kCascadeDeletesOffset = 22;
inline constexpr size_t kTypeOffset = 23;
}  // namespace logicalindexdesc

// Index pages (leaf and node): after the page head (owner at pagehead::kOwnerOffset, bytes 8..11
// zero), the neighbours, the entry-end bitmap and the entries.
namespace indexpage {
inline constexpr size_t kPrevOffset = 12;
inline constexpr size_t kNextOffset = 16;
inline constexpr size_t kTailOffset = 20;  // nodes: the last child, which has no entry
inline constexpr size_t kPrefixLengthOffset = 24;
// 1 on every node page of the fixtures, 0 on every leaf (meaning unknown).
inline constexpr size_t kNodeFlagOffset = 0x1A;
inline constexpr uint8_t kNodeFlag = 0x01;
inline constexpr size_t kBitmapOffset = 27;
inline constexpr size_t kEntriesOffset = 0x1E0;
inline constexpr size_t kEntrySpace = kPageSize - kEntriesOffset;  // 3616 bytes
inline constexpr size_t kRowIdSize = 4;      // leaf entries end with page (3 bytes BE) + row
inline constexpr size_t kChildPageSize = 4;  // node entries end with the child page (BE)
// Levels below the root no index tree comes near (a page holds hundreds of entries); a walk that
// goes deeper has met a loop in a damaged file.
inline constexpr size_t kMaxTreeDepth = 16;
}  // namespace indexpage

// The catalog, MSysObjects: an object's type (its low seven bits) and the flags that mark the
// engine's own objects and hidden ones.
namespace catalog {
inline constexpr int16_t kTypeTable = 1;
inline constexpr int16_t kTypeDatabase = 2;
inline constexpr int16_t kTypeContainer = 3;
inline constexpr int16_t kTypeMask = 0x7F;
inline constexpr uint32_t kSystemObjectFlag = 0x80000000;
inline constexpr uint32_t kHiddenObjectFlag = 0x00000002;
}  // namespace catalog

// Usage maps: a row whose first byte is the map type. Inline: the page of bit 0, then the
// bitmap to the row's end. Reference: u32 numbers of bitmap pages (type 0x05: a head of
// kBitmapPageHeadSize bytes, then kBitmapPageBits bits), slot j covering the pages from
// j * kBitmapPageBits (0: none yet).
namespace usagemap {
inline constexpr size_t kTypeOffset = 0;
inline constexpr uint8_t kInline = 0x00;
inline constexpr uint8_t kReference = 0x01;
inline constexpr size_t kStartPageOffset = 1;
inline constexpr size_t kInlineHeaderSize = 5;
inline constexpr uint32_t kMapPageOwner = 0;  // owner field of a page of usage-map rows
inline constexpr size_t kReferenceSlotsOffset = 1;
inline constexpr size_t kReferenceSlotSize = 4;
inline constexpr uint32_t kNoBitmapPageFlag = 0x80000000;  // a slot naming no page
inline constexpr size_t kBitmapPageHeadSize = 4;
inline constexpr uint32_t kBitmapPageBits = (kPageSize - kBitmapPageHeadSize) * 8;  // 32736
// Jet creates inline maps with this many bitmap bytes (pages 0..511), starting at page 0.
inline constexpr size_t kNewBitmapSize = 64;
inline constexpr uint32_t kNewMapPages = 8 * kNewBitmapSize;
// Page 1 holds the global map (row 0, a set bit means free) and a row of the same length, all
// zero. As the file grows, Jet lengthens both rows alike, in steps of kGrowthStep bitmap bytes.
inline constexpr uint32_t kGlobalMapOwner = 1;  // page 1's owner field
inline constexpr uint16_t kGlobalMapRow = 0;
inline constexpr size_t kGrowthStep = 4;
}  // namespace usagemap

// Long values (memo, OLE): a header in the row, then inline data or a pointer to LVAL rows.
namespace longvalue {
inline constexpr size_t kHeaderSize = 12;
inline constexpr uint32_t kLengthMask = 0x3FFFFF;  // bytes 0..2 of the first u32
inline constexpr size_t kFlagsOffset = 3;
inline constexpr size_t kPointerOffset = 4;
inline constexpr size_t kChainLinkSize = rowpointer::kSize;  // a chain row starts with the next row
}  // namespace longvalue

// Text is UCS-2: a text column's length counts bytes, two a character.
inline constexpr uint16_t kTextCharSize = 2;

// What Jet allows in a table definition and a row.
inline constexpr size_t kMaxNameChars = 64;
inline constexpr size_t kMaxColumns = 255;
inline constexpr uint16_t kMaxTextChars = 255;
inline constexpr uint16_t kMaxTextBytes = kTextCharSize * kMaxTextChars;
// The longest row (Jackcess's limit, below what a page holds); Jet refuses tables whose rows
// may be longer.
inline constexpr size_t kMaxRowSize = 4060;
// Longer texts are stored uncompressed, as Jet does.
inline constexpr size_t kMaxCompressedChars = 1024;
// Characters of a text that count in its index key.
inline constexpr size_t kMaxTextKeyChars = 255;

}  // namespace jet
