// The package archive steps of the main window: finding the package, extracting the cover and
// unpacking the whole package with progress.
#include <cmath>
#include <optional>

#include "app/form1.h"
#include "archive/package_layout.h"
#include "archive/zip_reader.h"

namespace app {

namespace {

// i / maxFiles as a whole percentage, an exact half going to the even neighbour (the default
// rounding mode). A one-entry archive has no span to divide, so its only entry shows as done.
int gaugePercent(size_t i, int64_t maxFiles) {
  if (maxFiles <= 0) return 100;
  return static_cast<int>(std::nearbyint(static_cast<double>(i) / maxFiles * 100.0));
}

}  // namespace

bool TForm1::searchPackages() {
  info(DEBUG, u"Wyszukiwanie paczek instalacyjnych.");
  pack = false;
  bnInstallSetDisable();
  if (!platform().directoryExists(tmpDir)) platform().createDirectory(tmpDir);
  if (!platform().fileExists(sourceZip)) {
    info(IMPORTANT, u"Brak pliku paczki : `" + sourceZip + u"`");
    return false;
  }
  const std::vector<Text> folders = GetSubFoldersListFromZip(sourceZip);
  if (folders.size() == 1) {
    packageName = folders.front();
  } else {
    info(IMPORTANT, u"Błędna zawartość pliku ZIP! (" +
                        text::num(static_cast<int64_t>(folders.size())) + u" katalogów)");
    for (const Text& folder : folders) info(DEBUG, u"[ " + folder + u" ] - PAKIET");
  }
  pack = true;
  return pack;
}

std::vector<Text> TForm1::GetSubFoldersListFromZip(const Text& SourceFile) {
  std::vector<Text> folders;
  if (!zipkit::isZipArchive(platform(), SourceFile)) {
    info(IMPORTANT, u"Plik jest uszkodzony lub zawiera błędy!");
    return folders;
  }
  zipkit::ZipReader zip(platform());
  try {
    zip.open(SourceFile);
    for (const Text& name : zip.names()) {
      if (const std::optional<Text> folder = pkg::packageFolderOf(name)) {
        info(DEBUG, u"Znaleziono podkatalog w ZIP : `" + *folder + u"`");
        folders.push_back(*folder);
      }
    }
  } catch (const text::Error& e) {
    info(IMPORTANT, e.message());
  }
  zip.close();
  return folders;
}

bool TForm1::ExtractFileFromZip(const Text& SourceFile, const Text& DestinationDir,
                                const Text& FileName) {
  info(DEBUG, u"Rozpakowywujemy z `" + SourceFile + u"` plik `" + FileName + u"` do katalogu `" +
                  DestinationDir + u"`");
  if (!zipkit::isZipArchive(platform(), SourceFile)) return false;
  // Reader errors go on to the caller; the reader closes the archive as it goes out of scope.
  zipkit::ZipReader zip(platform());
  zip.open(SourceFile);
  const bool found = zip.indexOf(FileName) >= 0;
  if (found) zip.extract(FileName, DestinationDir);
  zip.close();
  return found;
}

bool TForm1::ExtractFilesFromZip(const Text& SourceFile, const Text& DestinationDir) {
  if (!zipkit::isZipArchive(platform(), SourceFile)) return false;
  zipkit::ZipReader zip(platform());
  bool result = false;
  try {
    zip.open(SourceFile);
    const std::vector<Text>& names = zip.names();
    const int64_t maxFiles = static_cast<int64_t>(names.size()) - 1;
    info(DEBUG, u"maxFiles = " + text::num(maxFiles));
    const Text cover = pkg::coverEntry(packageName);
    const Text description = pkg::descriptionEntry(packageName);
    for (size_t i = 0; i < names.size(); ++i) {
      const Text& name = names[i];
      if (name == cover || name == description) continue;
      zip.extract(name, DestinationDir);
      info(DEBUG, name);
      window().setGauge(gaugePercent(i, maxFiles));
    }
    result = true;
    window().setGauge(100);
  } catch (const text::Error& e) {
    info(IMPORTANT, e.message());
  }
  zip.close();
  return result;
}

}  // namespace app
