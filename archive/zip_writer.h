// Writes ZIP archives entry by entry through plat::File: names with "\" separators and the UTF-8
// flag, Deflate or stored data streamed through a fixed buffer, ZIP64 records when sizes, offsets
// or the entry count need them (or always, on request).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/zip_error.h"
#include "platform/platform.h"

namespace zipkit {

using text::Text;

enum class Method : uint16_t { Stored = 0, Deflate = 8 };

// An MS-DOS date and time as ZIP headers store them.
struct DosTime {
  uint16_t time = 0;
  uint16_t date = (1 << 5) | 1;  // 1980-01-01
};

struct WriterOptions {
  // Stamped on every entry so that equal inputs give equal archives; unset: the current time.
  std::optional<DosTime> fixedTime;
  int level = Z_DEFAULT_COMPRESSION;
  // ZIP64 extra fields and end records even where the values would fit in 32 bits.
  bool forceZip64 = false;
};

class ZipWriter {
 public:
  // Creates (or truncates) the archive file.
  ZipWriter(plat::Platform& fs, const Text& path, WriterOptions options = {});
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // A file entry; its data follow through write() until endFile().
  void beginFile(const Text& name, Method method = Method::Deflate);
  // The same with the name's stored bytes given as they are and the UTF-8 flag set or not
  // (a name without the flag is read as code page 437).
  void beginFileBytes(std::string_view nameBytes, bool utf8, Method method = Method::Deflate);
  void write(const void* data, size_t n);
  void endFile();

  void addFile(const Text& name, std::string_view data, Method method = Method::Deflate);
  // A folder entry; the name ends with "\".
  void addFolder(const Text& name);

  // Writes the central directory and the end records and closes the file.
  void finish();

 private:
  struct Entry {
    std::string name;
    uint16_t flags = 0;
    Method method = Method::Stored;
    bool folder = false;
    bool zip64Local = false;
    uint32_t crc = 0;
    uint64_t compSize = 0;
    uint64_t size = 0;
    uint64_t localOffset = 0;
  };

  void append(const void* data, size_t n);
  void writeLocalHeader(const Entry& e);
  void drainDeflate(int flush);
  void writeCentralHeader(const Entry& e);
  void writeEndRecords(uint64_t cdOffset, uint64_t cdSize);

  std::unique_ptr<plat::File> file_;
  WriterOptions options_;
  DosTime stamp_;
  uint64_t pos_ = 0;
  std::vector<Entry> entries_;
  bool inFile_ = false;
  std::vector<uint8_t> buf_;
  z_stream zs_{};
  bool deflateReady_ = false;
};

}  // namespace zipkit
