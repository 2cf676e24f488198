#include "app/payload.h"

#include <optional>
#include <string>

#include "app/form1.h"
#include "archive/installer_layout.h"
#include "archive/payload_trailer.h"
#include "archive/signed_installer.h"
#include "platform/leftover.h"

namespace app {

using text::num;

namespace {

// Reads the trailer through the transient trailer file, as the installer always has; the file
// is gone when this returns, whatever happened.
std::optional<int64_t> readTrailer(plat::Platform& fs, plat::File& exe, uint64_t size,
                                   const Text& trailerFile, const logs::Log& log) {
  struct RemoveWhenDone {
    plat::Platform& fs;
    const Text& path;
    const logs::Log& log;
    // A trailer file that stays harms nothing; Close leaves the working folder to it.
    ~RemoveWhenDone() { plat::deleteLeftover(fs, path, log); }
  } cleanup{fs, trailerFile, log};

  std::string bytes(layout::kTrailerSize, '\0');
  const uint64_t at = size >= layout::kTrailerSize ? size - layout::kTrailerSize : 0;
  bytes.resize(exe.readAt(at, bytes.data(), bytes.size()));
  {
    auto out = fs.open(trailerFile, plat::OpenMode::Create);
    out->writeAt(0, bytes.data(), bytes.size());
  }
  auto in = fs.open(trailerFile, plat::OpenMode::Read);
  std::string stored(static_cast<size_t>(in->size()), '\0');
  stored.resize(in->readAt(0, stored.data(), stored.size()));
  return layout::parseTrailer(stored);
}

}  // namespace

std::optional<zipkit::ArchiveSource> locatePayload(plat::Platform& platform, const Text& workFolder,
                                                   const logs::Log& log) {
  const Text exePath = platform.executablePath();
  log.debug(u"Plik EXE z archiwum: " + exePath);

  auto exe = platform.open(exePath, plat::OpenMode::Read);
  log.debug(u"FileSize: " + num(static_cast<int64_t>(exe->size())));
  // A signed installer carries its certificates after the trailer.
  const int64_t size = static_cast<int64_t>(layout::layoutEnd(*exe));

  std::optional<int64_t> parsed =
      readTrailer(platform, *exe, static_cast<uint64_t>(size), workFolder + u"zip-offset.txt", log);
  // An offset that leaves no room for an archive before the trailer is no payload either: "the
  // rest" would be the whole program.
  if (parsed && *parsed > 0 && *parsed >= size - layout::kTrailerSize) parsed.reset();
  if (!parsed) {
    log.important(u"Brak zawartego pakietu!");
    return std::nullopt;
  }
  log.debug(u"Offset EXE: " + num(*parsed));
  if (*parsed <= 0) return std::nullopt;
  return zipkit::ArchiveSource(exePath, static_cast<uint64_t>(*parsed),
                               static_cast<uint64_t>(size - *parsed - layout::kTrailerSize));
}

void TForm1::extractPayload() {
  if (std::optional<zipkit::ArchiveSource> found = locatePayload(platform_, tmpDir, log())) {
    packageArchive = std::move(*found);
  }
}

}  // namespace app
