// Reads ZIP archives (stored and Deflate entries, ZIP64 records) through plat::File and writes
// their entries through plat::Platform. Memory stays flat whatever the entry sizes: data moves
// through two fixed 64 KiB buffers.
#pragma once

#include <zlib.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "archive/archive_source.h"
#include "archive/zip_error.h"
#include "platform/platform.h"

namespace zipkit {

using text::Text;

// True when an end-of-central-directory record lies within the last 22 + 65,535 bytes of the
// file (bytes after the record are accepted). A file that cannot be opened is no archive.
bool isZipArchive(plat::Platform& fs, const ArchiveSource& source);

class ZipReader {
 public:
  explicit ZipReader(plat::Platform& fs);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Reads the central directory; ZipError when it is missing or malformed, plat::FileError when
  // the file cannot be opened.
  void open(const ArchiveSource& source);
  // Releases the archive; safe at any time, also after an error.
  void close();

  // Entry names in central-directory order, as stored (separators untouched).
  const std::vector<Text>& names() const { return names_; }
  size_t count() const { return names_.size(); }
  // Position of the first entry whose name equals `name` with ASCII letters compared without
  // regard to case; -1 when there is none.
  int indexOf(std::u16string_view name) const;

  // The size and CRC-32 the central directory declares for the entry at an index: an extracted
  // entry has exactly these.
  struct Declared {
    uint64_t size = 0;
    uint32_t crc = 0;
  };
  Declared declared(size_t index) const { return {entries_[index].size, entries_[index].crc}; }

  // Where an entry lies in the archive, from its local header to the end of its data, and the
  // size it declares once unpacked.
  struct Extent {
    uint64_t begin = 0;
    uint64_t end = 0;
    uint64_t size = 0;
  };
  // Every entry's extent, in central-directory order, read from the local headers; ZipError when
  // one is damaged or its data run past the end of the file.
  std::vector<Extent> extents();

  // Extracts the entry found by indexOf(name) below `folder` (which ends with "\"), creating the
  // missing folders and replacing an existing file. Never writes more than the entry's declared
  // size; a file whose data turn out damaged is removed again. Errors: ZipError, plat::FileError.
  void extract(const Text& name, const Text& folder);

 private:
  struct Entry {
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t compSize = 0;
    uint64_t size = 0;
    uint64_t localOffset = 0;
  };
  struct Directory {
    uint64_t offset = 0;
    uint64_t size = 0;
    uint64_t entries = 0;
  };

  Directory locateDirectory(uint64_t endPos);
  void readDirectory(const Directory& dir);
  void makeFolder(const Text& dir);
  uint64_t dataStart(const Entry& e, const Text& name);
  void copyStored(const Entry& e, uint64_t pos, const Text& name, plat::File& out);
  void inflateInto(const Entry& e, uint64_t pos, const Text& name, plat::File& out);
  size_t readChunk(uint64_t pos, uint64_t remaining, const Text& name);

  plat::Platform& platform_;
  std::unique_ptr<plat::File> file_;
  uint64_t fileSize_ = 0;
  std::vector<Entry> entries_;
  std::vector<Text> names_;
  std::unordered_map<Text, int> firstByFoldedName_;
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
  z_stream zs_{};
  bool inflateReady_ = false;
};

}  // namespace zipkit
