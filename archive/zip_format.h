// Record layouts of the ZIP format shared by the reader and the writer: signatures, fixed sizes,
// field offsets and little-endian access.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_order.h"

namespace zipkit::fmt {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kZip64EndSig = 0x06064b50;
constexpr uint32_t kZip64LocatorSig = 0x07064b50;

constexpr size_t kLocalSize = 30;
constexpr size_t kCentralSize = 46;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kMaxComment = 65535;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint16_t kZip64ExtraId = 0x0001;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;

// 32-bit fields holding this value (16-bit: 0xFFFF) are continued in a ZIP64 record.
constexpr uint32_t kSentinel32 = 0xFFFFFFFF;
constexpr uint16_t kSentinel16 = 0xFFFF;

// Local header field offsets.
namespace local {
constexpr size_t flags = 6, method = 8, time = 10, date = 12, crc = 14, compSize = 18, size = 22,
                 nameLen = 26, extraLen = 28;
}
// Central directory header field offsets.
namespace central {
constexpr size_t madeBy = 4, needed = 6, flags = 8, method = 10, time = 12, date = 14, crc = 16,
                 compSize = 20, size = 24, nameLen = 28, extraLen = 30, commentLen = 32,
                 diskStart = 34, internalAttr = 36, externalAttr = 38, localOffset = 42;
}
// End of central directory record field offsets.
namespace end {
constexpr size_t disk = 4, cdDisk = 6, diskEntries = 8, entries = 10, cdSize = 12, cdOffset = 16,
                 commentLen = 20;
}
// ZIP64 end record and its locator.
namespace end64 {
constexpr size_t recordSize = 4, madeBy = 12, needed = 14, disk = 16, cdDisk = 20, diskEntries = 24,
                 entries = 32, cdSize = 40, cdOffset = 48;
}
namespace locator {
constexpr size_t disk = 4, end64Offset = 8, disks = 16;
}

using bytes::get16;
using bytes::get32;
using bytes::get64;
using bytes::put16;
using bytes::put32;
using bytes::put64;

}  // namespace zipkit::fmt
