// The cover picture: the installer sizes its window to it and shows it, so it must be a JPEG
// the installer can decode, of a size that leaves the window usable.
#include <algorithm>

#include "archive/cover_fit.h"
#include "platform/jpeg_size.h"
#include "tools/mkinstaller/package_check.h"

namespace mkinstaller {

namespace {

using pkg::kCoverHeight;
using pkg::kCoverWidth;
using text::num;

// The smallest screen a package is made for. The window has no frame to drag it by, so on this
// screen it must fit whole, its Close button included.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;
// The frame header follows the picture's metadata; no cover keeps more than this before it.
constexpr uint64_t kHeadBytes = 1 << 20;

std::vector<uint8_t> readHead(plat::Platform& fs, const Text& path) {
  const std::unique_ptr<plat::File> file = fs.open(path, plat::OpenMode::Read);
  std::vector<uint8_t> head(static_cast<size_t>(std::min(file->size(), kHeadBytes)));
  head.resize(file->readAt(0, head.data(), head.size()));
  return head;
}

// Errors for a cover that leaves the installer's window unusable; true when there was one.
bool checkCoverSize(int width, int height, const Text& shownName, Findings& findings) {
  const Text picture = u"the picture is " + num(width) + u" x " + num(height) + u" pixels: ";
  const Text advice = u"; use a cover at most " + num(kScreenWidth) + u" x " + num(kScreenHeight) +
                      u" and at least " + num(pkg::kNarrowestWindowWidth) + u" pixels wide, best " +
                      num(kCoverWidth) + u" x " + num(kCoverHeight);
  bool refused = false;
  // The installer's window is borderless and starts at the designed size.
  const pkg::CoverFit fit = pkg::fitWindowToCover(
      {width, height, kScreenWidth, kScreenHeight, kCoverWidth, kCoverHeight, 0, 0});
  if (fit.windowWidth > kScreenWidth || fit.windowHeight > kScreenHeight) {
    findings.push_back({Severity::Error, shownName,
                        picture + u"on a " + num(kScreenWidth) + u" x " + num(kScreenHeight) +
                            u" screen the installer would size its window to " +
                            num(fit.windowWidth) + u" x " + num(fit.windowHeight) +
                            u" pixels, larger than the screen, with its Close button out of "
                            u"reach" +
                            advice});
    refused = true;
  }
  // On every screen that holds the cover whole, the window takes the cover's width.
  if (width < pkg::kNarrowestWindowWidth) {
    findings.push_back({Severity::Error, shownName,
                        picture + u"the installer's window would be " + num(width) +
                            u" pixels wide, as the picture is, too narrow for its folder field, "
                            u"which needs a window at least " +
                            num(pkg::kNarrowestWindowWidth) + u" pixels wide" + advice});
    refused = true;
  }
  return refused;
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
  if (checkCoverSize(info->width, info->height, shownName, findings)) return;
  if (info->width != kCoverWidth || info->height != kCoverHeight) {
    findings.push_back({Severity::Warning, shownName,
                        u"the picture is " + num(info->width) + u" x " + num(info->height) +
                            u" pixels, not the cover's " + num(kCoverWidth) + u" x " +
                            num(kCoverHeight) +
                            u": the installer sizes its window to the picture; resize it to " +
                            num(kCoverWidth) + u" x " + num(kCoverHeight)});
  }
}

}  // namespace mkinstaller
