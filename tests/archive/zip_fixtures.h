// Small archives for the archive tests, made with our writer, and the byte surgery that turns
// them into damaged ones.
#pragma once

#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "platform/platform.h"

namespace ziptest {

using text::Text;

struct Item {
  Text name;  // a name ending with "\" is a folder entry
  std::string data;
  zipkit::Method method = zipkit::Method::Deflate;
};

void writeZip(plat::Platform& fs, const Text& path, const std::vector<Item>& items,
              bool forceZip64 = false);
// The archive's bytes.
std::string zipBytes(const std::vector<Item>& items, bool forceZip64 = false);

// Offsets into an archive's bytes: the k-th central directory header, the end record, and the
// first data byte of the k-th entry.
size_t centralHeaderAt(const std::string& zip, size_t k);
size_t endRecordAt(const std::string& zip);
size_t entryDataAt(const std::string& zip, size_t k);

void put16(std::string& zip, size_t at, uint16_t v);
void put32(std::string& zip, size_t at, uint32_t v);

// A text of n bytes that Deflate shrinks but not to nothing.
std::string sampleData(size_t n, unsigned seed = 1);

}  // namespace ziptest
