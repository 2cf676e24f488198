// What makes a file the one the install saw: its size and a CRC-32 of its bytes. The journal
// records it for every file a run will delete or put back, and nothing is deleted or put back
// that does not match.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace install {

using text::Text;

struct FileIdentity {
  uint64_t size = 0;
  uint32_t crc = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The file's identity; nothing when it is not there or cannot be read to its end.
std::optional<FileIdentity> fileIdentity(plat::Platform& platform, const Text& path);

// Why the file at path is not the one with the identity, in Polish ("jest inny niż ..."), or
// nothing when it is.
std::optional<Text> identityMismatch(plat::Platform& platform, const Text& path,
                                     const FileIdentity& expected);

}  // namespace install
