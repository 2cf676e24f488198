#include "install/file_identity.h"

#include <zlib.h>

#include <vector>

namespace install {

std::optional<FileIdentity> fileIdentity(plat::Platform& platform, const Text& path) {
  if (!platform.fileExists(path)) return std::nullopt;
  try {
    const std::unique_ptr<plat::File> file = platform.open(path, plat::OpenMode::Read);
    FileIdentity identity{file->size(), static_cast<uint32_t>(crc32(0L, Z_NULL, 0))};
    std::vector<unsigned char> block(64 * 1024);
    uint64_t pos = 0;
    while (pos < identity.size) {
      const size_t n = file->readAt(pos, block.data(), block.size());
      if (n == 0) return std::nullopt;
      identity.crc = static_cast<uint32_t>(crc32(identity.crc, block.data(), static_cast<uInt>(n)));
      pos += n;
    }
    return identity;
  } catch (const plat::FileError&) {
    return std::nullopt;
  }
}

std::optional<Text> identityMismatch(plat::Platform& platform, const Text& path,
                                     const FileIdentity& expected) {
  const std::optional<FileIdentity> found = fileIdentity(platform, path);
  if (!found) return u"Nie można odczytać pliku " + path;
  if (found->size != expected.size) {
    return u"Plik " + path + u" ma " + text::num(static_cast<int64_t>(found->size)) +
           u" bajtów, a instalacja zapisała w dzienniku " +
           text::num(static_cast<int64_t>(expected.size)) + u": to nie jest plik tej instalacji.";
  }
  if (found->crc != expected.crc) {
    return u"Plik " + path +
           u" ma inną sumę kontrolną, niż instalacja zapisała w dzienniku: to nie jest plik tej "
           u"instalacji.";
  }
  return std::nullopt;
}

}  // namespace install
