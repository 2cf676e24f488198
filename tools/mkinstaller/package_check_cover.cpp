// The cover picture: the installer sizes its window to it and shows it, so it must be a JPEG
// the installer can decode.
#include <algorithm>

#include "platform/jpeg_size.h"
#include "tools/mkinstaller/package_check.h"

namespace mkinstaller {

namespace {

constexpr int kCoverWidth = 1040;
constexpr int kCoverHeight = 585;
// The frame header follows the picture's metadata; no cover keeps more than this before it.
constexpr uint64_t kHeadBytes = 1 << 20;

std::vector<uint8_t> readHead(plat::Platform& fs, const Text& path) {
  const std::unique_ptr<plat::File> file = fs.open(path, plat::OpenMode::Read);
  std::vector<uint8_t> head(static_cast<size_t>(std::min(file->size(), kHeadBytes)));
  head.resize(file->readAt(0, head.data(), head.size()));
  return head;
}

}  // namespace

void checkCover(plat::Platform& fs, const Text& path, const Text& shownName, Findings& findings) {
  if (!fs.fileExists(path)) {
    findings.push_back({Severity::Error, shownName,
                        u"missing: the installer shows the package's cover, a JPEG picture; add "
                        u"it"});
    return;
  }
  std::vector<uint8_t> head;
  try {
    head = readHead(fs, path);
  } catch (const text::Error& e) {
    findings.push_back({Severity::Error, shownName,
                        u"cannot be read (" + e.message() +
                            u"); the installer needs the cover to show the package"});
    return;
  }
  const std::optional<plat::JpegInfo> info = plat::readJpegInfo(head.data(), head.size());
  if (!info) {
    const bool jpeg = head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8;
    findings.push_back(
        {Severity::Error, shownName,
         jpeg ? u"a JPEG picture the installer cannot show (lossless or arithmetic-coded, or no "
                u"frame header in its first MiB); save it as a baseline or progressive JPEG"
              : u"not a JPEG picture; save the cover as a baseline or progressive JPEG"});
    return;
  }
  if (info->width != kCoverWidth || info->height != kCoverHeight) {
    findings.push_back({Severity::Warning, shownName,
                        u"the picture is " + text::num(info->width) + u" x " +
                            text::num(info->height) + u" pixels, not the cover's " +
                            text::num(kCoverWidth) + u" x " + text::num(kCoverHeight) +
                            u": the installer sizes its window to the picture; resize it to " +
                            text::num(kCoverWidth) + u" x " + text::num(kCoverHeight)});
  }
}

}  // namespace mkinstaller
