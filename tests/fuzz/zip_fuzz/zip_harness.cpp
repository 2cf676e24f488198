#include "tests/fuzz/zip_fuzz/zip_harness.h"

#include <cstdio>
#include <cstdlib>

#include "archive/zip_reader.h"
#include "tests/support/fake_platform.h"

namespace ziptest {

namespace {

const text::Text kArchive = u"C:\\in\\a.zip";
const text::Text kScratch = u"C:\\out\\";

[[noreturn]] void fault(const text::Text& what) {
  std::fprintf(stderr, "zip harness: %s\n", text::toUtf8(what).c_str());
  std::abort();
}

}  // namespace

size_t exerciseArchive(const uint8_t* data, size_t size) {
  fake::FakePlatform fs;
  fs.writeFile(kArchive, std::vector<uint8_t>(data, data + size));
  fs.mkdirs(kScratch);
  size_t extracted = 0;
  if (zipkit::isZipArchive(fs, kArchive)) {
    zipkit::ZipReader reader(fs);
    try {
      reader.open(kArchive);
      for (const text::Text& name : reader.names()) {
        try {
          reader.extract(name, kScratch);
          ++extracted;
        } catch (const text::Error&) {
          // A damaged or refused entry; the next one is independent of it.
        }
      }
    } catch (const text::Error&) {
      // A malformed directory.
    }
    reader.close();
  }
  const std::u16string inside = fake::pathKey(kScratch) + u"\\";
  for (const text::Text& path : fs.listFiles(u"C:\\")) {
    if (path != kArchive && fake::pathKey(path).rfind(inside, 0) != 0) {
      fault(u"written outside the scratch folder: " + path);
    }
  }
  if (fs.readFile(kArchive).size() != size) fault(u"the archive itself was changed");
  return extracted;
}

}  // namespace ziptest
