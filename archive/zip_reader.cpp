#include "archive/zip_reader.h"

#include <algorithm>
#include <optional>

#include "archive/cp437.h"
#include "archive/entry_path.h"
#include "archive/zip_format.h"

namespace zipkit {

namespace {

constexpr size_t kChunk = 64 * 1024;

ZipError malformedDirectory() {
  return ZipError(u"Uszkodzony katalog archiwum ZIP.");
}
ZipError damagedData(const Text& name) {
  return ZipError(entryMessage(u"Uszkodzone dane pliku: ", name));
}
ZipError sizeMismatch(const Text& name) {
  return ZipError(entryMessage(u"Rozmiar pliku niezgodny z katalogiem archiwum: ", name));
}

// Searches backwards from the end for the end record, as far back as the longest archive comment
// allows; a candidate counts only when its comment fits in the file.
std::optional<uint64_t> findEndRecord(plat::File& f, uint64_t fileSize) {
  if (fileSize < fmt::kEndSize) return std::nullopt;
  const size_t window =
      static_cast<size_t>(std::min<uint64_t>(fileSize, fmt::kEndSize + fmt::kMaxComment));
  const uint64_t base = fileSize - window;
  std::vector<uint8_t> tail(window);
  if (f.readAt(base, tail.data(), window) != window) return std::nullopt;
  for (size_t i = window - fmt::kEndSize + 1; i-- > 0;) {
    const uint8_t* p = tail.data() + i;
    if (fmt::get32(p) == fmt::kEndSig &&
        fmt::get16(p + fmt::end::commentLen) <= window - i - fmt::kEndSize) {
      return base + i;
    }
  }
  return std::nullopt;
}

bool readFully(plat::File& f, uint64_t pos, void* buf, size_t n) {
  return f.readAt(pos, buf, n) == n;
}

// Fills in the fields a central directory header left at their sentinel from its ZIP64 extra
// field, in the order the format fixes: size, compressed size, local header offset.
bool applyZip64Extra(const uint8_t* extra, size_t len, uint64_t& size, uint64_t& compSize,
                     uint64_t& localOffset) {
  uint64_t* const fields[] = {&size, &compSize, &localOffset};
  const bool wanted[] = {size == fmt::kSentinel32, compSize == fmt::kSentinel32,
                         localOffset == fmt::kSentinel32};
  if (!wanted[0] && !wanted[1] && !wanted[2]) return true;
  for (size_t q = 0; q + 4 <= len;) {
    const uint16_t id = fmt::get16(extra + q);
    const size_t fieldLen = fmt::get16(extra + q + 2);
    if (fieldLen > len - q - 4) return false;
    if (id == fmt::kZip64ExtraId) {
      size_t at = q + 4;
      for (int k = 0; k < 3; ++k) {
        if (!wanted[k]) continue;
        if (at + 8 > q + 4 + fieldLen) return false;
        *fields[k] = fmt::get64(extra + at);
        at += 8;
      }
      return true;
    }
    q += 4 + fieldLen;
  }
  return false;
}

}  // namespace

bool isZipArchive(plat::Platform& fs, const ArchiveSource& source) {
  // An archive that cannot be read at all is as unusable as one without an end record.
  std::unique_ptr<plat::File> f;
  try {
    f = openArchive(fs, source);
    return findEndRecord(*f, f->size()).has_value();
  } catch (const plat::FileError&) {
    return false;
  }
}

ZipReader::ZipReader(plat::Platform& fs) : platform_(fs), in_(kChunk), out_(kChunk) {}

ZipReader::~ZipReader() {
  if (inflateReady_) inflateEnd(&zs_);
}

void ZipReader::open(const ArchiveSource& source) {
  close();
  file_ = openArchive(platform_, source);
  fileSize_ = file_->size();
  const std::optional<uint64_t> endPos = findEndRecord(*file_, fileSize_);
  if (!endPos) throw ZipError(u"Plik nie jest archiwum ZIP.");
  readDirectory(locateDirectory(*endPos));
}

void ZipReader::close() {
  file_.reset();
  fileSize_ = 0;
  entries_.clear();
  names_.clear();
  firstByFoldedName_.clear();
}

ZipReader::Directory ZipReader::locateDirectory(uint64_t endPos) {
  uint8_t rec[fmt::kEndSize];
  if (!readFully(*file_, endPos, rec, sizeof rec)) throw malformedDirectory();
  Directory dir{fmt::get32(rec + fmt::end::cdOffset), fmt::get32(rec + fmt::end::cdSize),
                fmt::get16(rec + fmt::end::entries)};
  uint64_t dirLimit = endPos;
  const bool needsZip64 = dir.offset == fmt::kSentinel32 || dir.size == fmt::kSentinel32 ||
                          dir.entries == fmt::kSentinel16;
  uint8_t loc[fmt::kZip64LocatorSize];
  if (needsZip64 && endPos >= sizeof loc + fmt::kZip64EndSize &&
      readFully(*file_, endPos - sizeof loc, loc, sizeof loc) &&
      fmt::get32(loc) == fmt::kZip64LocatorSig) {
    const uint64_t end64Pos = fmt::get64(loc + fmt::locator::end64Offset);
    uint8_t end64[fmt::kZip64EndSize];
    if (end64Pos > endPos - sizeof loc - sizeof end64 ||
        !readFully(*file_, end64Pos, end64, sizeof end64) ||
        fmt::get32(end64) != fmt::kZip64EndSig) {
      throw malformedDirectory();
    }
    dir = {fmt::get64(end64 + fmt::end64::cdOffset), fmt::get64(end64 + fmt::end64::cdSize),
           fmt::get64(end64 + fmt::end64::entries)};
    dirLimit = end64Pos;
  }
  if (dir.offset > dirLimit || dir.size > dirLimit - dir.offset ||
      dir.entries > dir.size / fmt::kCentralSize) {
    throw malformedDirectory();
  }
  return dir;
}

void ZipReader::readDirectory(const Directory& dir) {
  std::vector<uint8_t> cd(static_cast<size_t>(dir.size));
  if (!readFully(*file_, dir.offset, cd.data(), cd.size())) throw malformedDirectory();
  entries_.reserve(static_cast<size_t>(dir.entries));
  names_.reserve(static_cast<size_t>(dir.entries));
  size_t p = 0;
  for (uint64_t k = 0; k < dir.entries; ++k) {
    const uint8_t* h = cd.data() + p;
    if (cd.size() - p < fmt::kCentralSize || fmt::get32(h) != fmt::kCentralSig) {
      throw malformedDirectory();
    }
    const size_t nameLen = fmt::get16(h + fmt::central::nameLen);
    const size_t extraLen = fmt::get16(h + fmt::central::extraLen);
    const size_t commentLen = fmt::get16(h + fmt::central::commentLen);
    if (nameLen + extraLen + commentLen > cd.size() - p - fmt::kCentralSize) {
      throw malformedDirectory();
    }
    Entry e;
    e.flags = fmt::get16(h + fmt::central::flags);
    e.method = fmt::get16(h + fmt::central::method);
    e.crc = fmt::get32(h + fmt::central::crc);
    e.compSize = fmt::get32(h + fmt::central::compSize);
    e.size = fmt::get32(h + fmt::central::size);
    e.localOffset = fmt::get32(h + fmt::central::localOffset);
    const uint8_t* name = h + fmt::kCentralSize;
    if (!applyZip64Extra(name + nameLen, extraLen, e.size, e.compSize, e.localOffset)) {
      throw malformedDirectory();
    }
    const std::string_view rawName(reinterpret_cast<const char*>(name), nameLen);
    names_.push_back((e.flags & fmt::kFlagUtf8) ? text::fromUtf8(rawName) : fromCp437(rawName));
    firstByFoldedName_.emplace(text::lowerAscii(names_.back()), static_cast<int>(k));
    entries_.push_back(e);
    p += fmt::kCentralSize + nameLen + extraLen + commentLen;
  }
}

int ZipReader::indexOf(std::u16string_view name) const {
  const auto it = firstByFoldedName_.find(text::lowerAscii(name));
  return it == firstByFoldedName_.end() ? -1 : it->second;
}

std::vector<ZipReader::Extent> ZipReader::extents() {
  std::vector<Extent> out;
  out.reserve(entries_.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    out.push_back({e.localOffset, dataStart(e, names_[i]) + e.compSize, e.size});
  }
  return out;
}

void ZipReader::extract(const Text& name, const Text& folder) {
  const int index = indexOf(name);
  if (index < 0) throw ZipError(entryMessage(u"Brak pliku w archiwum: ", name));
  const Text& stored = names_[static_cast<size_t>(index)];
  const Entry& e = entries_[static_cast<size_t>(index)];
  const EntryTarget target = entryTarget(folder, stored);
  if (target.isFolder) {
    makeFolder(target.parentDir);
    return;
  }
  if (e.flags & fmt::kFlagEncrypted) {
    throw ZipError(entryMessage(u"Plik zaszyfrowany nie jest obsługiwany: ", stored));
  }
  if (e.method != fmt::kMethodStored && e.method != fmt::kMethodDeflate) {
    throw ZipError(entryMessage(u"Nieobsługiwana metoda kompresji pliku: ", stored));
  }
  if (e.method == fmt::kMethodStored && e.compSize != e.size) throw sizeMismatch(stored);
  const uint64_t start = dataStart(e, stored);

  makeFolder(target.parentDir);
  std::unique_ptr<plat::File> out = platform_.open(target.path, plat::OpenMode::Create);
  try {
    // Some writers store an empty file as Deflate without a single byte of stream.
    if (e.method == fmt::kMethodStored || (e.compSize == 0 && e.size == 0)) {
      copyStored(e, start, stored, *out);
    } else {
      inflateInto(e, start, stored, *out);
    }
    // Not flushed here: the install forces the files it keeps to the disk before its commit, and
    // a flush per entry would cost a disk round trip for every file of the package.
  } catch (...) {
    // A file with damaged data must not look like a good one. Its removal is best effort: the
    // error that stopped the write is the one to report.
    out.reset();
    (void)platform_.deleteFile(target.path);
    throw;
  }
}

void ZipReader::makeFolder(const Text& dir) {
  if (!dir.empty() && !platform_.directoryExists(dir)) platform_.forceDirectories(dir);
}

uint64_t ZipReader::dataStart(const Entry& e, const Text& name) {
  uint8_t h[fmt::kLocalSize];
  if (e.localOffset > fileSize_ || fileSize_ - e.localOffset < sizeof h ||
      !readFully(*file_, e.localOffset, h, sizeof h) || fmt::get32(h) != fmt::kLocalSig) {
    throw ZipError(entryMessage(u"Uszkodzony nagłówek pliku: ", name));
  }
  const uint64_t start = e.localOffset + sizeof h + fmt::get16(h + fmt::local::nameLen) +
                         fmt::get16(h + fmt::local::extraLen);
  if (start > fileSize_ || e.compSize > fileSize_ - start) throw damagedData(name);
  return start;
}

size_t ZipReader::readChunk(uint64_t pos, uint64_t remaining, const Text& name) {
  const size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, in_.size()));
  if (!readFully(*file_, pos, in_.data(), n)) throw damagedData(name);
  return n;
}

void ZipReader::copyStored(const Entry& e, uint64_t pos, const Text& name, plat::File& out) {
  uLong crc = crc32(0L, Z_NULL, 0);
  for (uint64_t done = 0; done < e.size;) {
    const size_t n = readChunk(pos + done, e.size - done, name);
    out.writeAt(done, in_.data(), n);
    crc = crc32(crc, in_.data(), static_cast<uInt>(n));
    done += n;
  }
  if (crc != e.crc) throw ZipError(entryMessage(u"Błąd sumy kontrolnej CRC pliku: ", name));
}

void ZipReader::inflateInto(const Entry& e, uint64_t pos, const Text& name, plat::File& out) {
  if (!inflateReady_) {
    if (inflateInit2(&zs_, -MAX_WBITS) != Z_OK) {
      throw ZipError(entryMessage(u"Brak pamięci na rozpakowanie pliku: ", name));
    }
    inflateReady_ = true;
  } else {
    inflateReset(&zs_);
  }
  zs_.avail_in = 0;
  uint64_t unread = e.compSize;
  uint64_t written = 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  for (;;) {
    if (zs_.avail_in == 0 && unread > 0) {
      const size_t n = readChunk(pos, unread, name);
      pos += n;
      unread -= n;
      zs_.next_in = in_.data();
      zs_.avail_in = static_cast<uInt>(n);
    }
    zs_.next_out = out_.data();
    zs_.avail_out = static_cast<uInt>(out_.size());
    // Z_BUF_ERROR here means the compressed data ended before the stream did.
    const int rc = inflate(&zs_, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) throw damagedData(name);
    const size_t produced = out_.size() - zs_.avail_out;
    if (produced > e.size - written) throw sizeMismatch(name);
    if (produced > 0) {
      out.writeAt(written, out_.data(), produced);
      crc = crc32(crc, out_.data(), static_cast<uInt>(produced));
      written += produced;
    }
    if (rc == Z_STREAM_END) break;
  }
  if (written != e.size) throw sizeMismatch(name);
  if (crc != e.crc) throw ZipError(entryMessage(u"Błąd sumy kontrolnej CRC pliku: ", name));
}

}  // namespace zipkit
