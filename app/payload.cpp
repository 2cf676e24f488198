// The payload step: copies the package archive carried at the end of the installer's own
// executable into the working folder.
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/payload_trailer.h"
#include "app/signed_installer.h"

namespace app {

using text::num;

namespace {

constexpr size_t kCopyBlock = 1 << 20;

// Reads the trailer through the transient trailer file, as the installer always has; the file
// is gone when this returns, whatever happened.
std::optional<int64_t> readTrailer(plat::Platform& fs, plat::File& exe, uint64_t size,
                                   const Text& trailerFile) {
  struct RemoveWhenDone {
    plat::Platform& fs;
    const Text& path;
    ~RemoveWhenDone() {
      if (fs.fileExists(path)) fs.deleteFile(path);
    }
  } cleanup{fs, trailerFile};

  std::string bytes(kTrailerSize, '\0');
  const uint64_t at = size >= kTrailerSize ? size - kTrailerSize : 0;
  bytes.resize(exe.readAt(at, bytes.data(), bytes.size()));
  {
    auto out = fs.open(trailerFile, plat::OpenMode::Create);
    out->writeAt(0, bytes.data(), bytes.size());
  }
  auto in = fs.open(trailerFile, plat::OpenMode::Read);
  std::string stored(static_cast<size_t>(in->size()), '\0');
  stored.resize(in->readAt(0, stored.data(), stored.size()));
  return parseTrailer(stored);
}

void copyRange(plat::File& from, uint64_t pos, uint64_t length, plat::File& to) {
  std::vector<char> block(kCopyBlock);
  uint64_t done = 0;
  while (done < length) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyBlock, length - done));
    const size_t got = from.readAt(pos + done, block.data(), want);
    if (got != want) throw plat::FileError(u"Nieoczekiwany koniec pliku EXE.");
    to.writeAt(done, block.data(), got);
    done += got;
  }
}

}  // namespace

void TForm1::extractPayload() {
  const Text exePath = platform_.executablePath();
  info(DEBUG, u"Plik EXE z archiwum: " + exePath);

  auto exe = platform_.open(exePath, plat::OpenMode::Read);
  info(DEBUG, u"FileSize: " + num(static_cast<int64_t>(exe->size())));
  // A signed installer carries its certificates after the trailer.
  const int64_t size = static_cast<int64_t>(layoutEnd(*exe));

  std::optional<int64_t> parsed =
      readTrailer(platform_, *exe, static_cast<uint64_t>(size), tmpDir + u"zip-offset.txt");
  // An offset that leaves no room for an archive before the trailer is no payload either:
  // copying "the rest" would write the whole program as the archive.
  if (parsed && *parsed > 0 && *parsed >= size - kTrailerSize) parsed.reset();

  int64_t offset = 0;
  if (parsed) {
    offset = *parsed;
    info(DEBUG, u"Offset EXE: " + num(offset));
  } else {
    info(IMPORTANT, u"Brak zawartego pakietu!");
  }

  if (offset > 0) {
    auto out = platform_.open(tmpDir + fileZip, plat::OpenMode::Create);
    copyRange(*exe, static_cast<uint64_t>(offset),
              static_cast<uint64_t>(size - offset - kTrailerSize), *out);
  }
}

}  // namespace app
