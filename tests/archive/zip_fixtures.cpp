#include "tests/archive/zip_fixtures.h"

#include <stdexcept>

#include "archive/zip_format.h"
#include "tests/support/fake_platform.h"

namespace ziptest {

namespace fmt = zipkit::fmt;

namespace {
const uint8_t* bytesAt(const std::string& s, size_t at) {
  if (at + 4 > s.size()) throw std::out_of_range("offset past the archive");
  return reinterpret_cast<const uint8_t*>(s.data() + at);
}
}  // namespace

void writeZip(plat::Platform& fs, const Text& path, const std::vector<Item>& items,
              bool forceZip64) {
  zipkit::WriterOptions options;
  options.fixedTime = zipkit::DosTime{};
  options.forceZip64 = forceZip64;
  zipkit::ZipWriter writer(fs, path, options);
  for (const Item& item : items) {
    if (!item.name.empty() && item.name.back() == u'\\') {
      writer.addFolder(item.name);
    } else {
      writer.addFile(item.name, item.data, item.method);
    }
  }
  writer.finish();
}

std::string zipBytes(const std::vector<Item>& items, bool forceZip64) {
  fake::FakePlatform scratch;
  writeZip(scratch, u"C:\\scratch.zip", items, forceZip64);
  return scratch.readFile(u"C:\\scratch.zip");
}

size_t endRecordAt(const std::string& zip) {
  const size_t at = zip.rfind("PK\x05\x06");
  if (at == std::string::npos) throw std::runtime_error("no end record");
  return at;
}

size_t centralHeaderAt(const std::string& zip, size_t k) {
  size_t at = fmt::get32(bytesAt(zip, endRecordAt(zip) + fmt::end::cdOffset));
  for (size_t i = 0; i < k; ++i) {
    const uint8_t* h = bytesAt(zip, at);
    at += fmt::kCentralSize + fmt::get16(h + fmt::central::nameLen) +
          fmt::get16(h + fmt::central::extraLen) + fmt::get16(h + fmt::central::commentLen);
  }
  return at;
}

size_t entryDataAt(const std::string& zip, size_t k) {
  const size_t local =
      fmt::get32(bytesAt(zip, centralHeaderAt(zip, k) + fmt::central::localOffset));
  const uint8_t* h = bytesAt(zip, local);
  return local + fmt::kLocalSize + fmt::get16(h + fmt::local::nameLen) +
         fmt::get16(h + fmt::local::extraLen);
}

void put16(std::string& zip, size_t at, uint16_t v) {
  fmt::put16(reinterpret_cast<uint8_t*>(zip.data() + at), v);
}
void put32(std::string& zip, size_t at, uint32_t v) {
  fmt::put32(reinterpret_cast<uint8_t*>(zip.data() + at), v);
}

std::string sampleData(size_t n, unsigned seed) {
  std::string s;
  s.reserve(n);
  uint32_t x = seed * 2654435761u + 1;
  while (s.size() < n) {
    x = x * 1103515245u + 12345u;
    s += "abcdefghij"[(x >> 16) % 10];
    if ((x >> 8) % 7 == 0) s += ' ';
  }
  s.resize(n);
  return s;
}

}  // namespace ziptest
