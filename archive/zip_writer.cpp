#include "archive/zip_writer.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

#include "archive/zip_format.h"

namespace zipkit {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr uint16_t kVersion20 = 20;
constexpr uint16_t kVersion45 = 45;  // needed for ZIP64
constexpr uint32_t kDosDirectory = 0x10;
constexpr uint32_t kDosArchive = 0x20;

DosTime currentDosTime() {
  const std::time_t now = std::time(nullptr);
  const std::tm tm = *std::localtime(&now);
  const int year = std::max(tm.tm_year + 1900, 1980);
  return {static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2)),
          static_cast<uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday)};
}

bool over32(uint64_t v) {
  return v >= fmt::kSentinel32;
}
uint32_t field32(uint64_t v, bool inZip64) {
  return inZip64 ? fmt::kSentinel32 : static_cast<uint32_t>(v);
}

}  // namespace

ZipWriter::ZipWriter(plat::Platform& fs, const Text& path, WriterOptions options)
    : file_(fs.open(path, plat::OpenMode::Create)),
      options_(options),
      stamp_(options.fixedTime ? *options.fixedTime : currentDosTime()),
      buf_(kChunk) {}

ZipWriter::~ZipWriter() {
  if (deflateReady_) deflateEnd(&zs_);
}

void ZipWriter::beginFile(const Text& name, Method method) {
  beginFileBytes(text::toUtf8(name), true, method);
}

void ZipWriter::beginFileBytes(std::string_view nameBytes, bool utf8, Method method) {
  if (inFile_ || !file_) throw std::logic_error("ZipWriter: entry begun out of order");
  Entry e;
  e.name = nameBytes;
  e.flags = utf8 ? fmt::kFlagUtf8 : 0;
  e.method = method;
  e.localOffset = pos_;
  e.zip64Local = options_.forceZip64;
  e.crc = static_cast<uint32_t>(crc32(0L, Z_NULL, 0));
  entries_.push_back(std::move(e));
  writeLocalHeader(entries_.back());
  if (method == Method::Deflate) {
    const int rc = deflateReady_ ? deflateReset(&zs_)
                                 : deflateInit2(&zs_, options_.level, Z_DEFLATED, -MAX_WBITS, 8,
                                                Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) throw ZipError(u"Nie można uruchomić kompresji Deflate.");
    deflateReady_ = true;
  }
  inFile_ = true;
}

void ZipWriter::write(const void* data, size_t n) {
  if (!inFile_) throw std::logic_error("ZipWriter: data outside an entry");
  Entry& e = entries_.back();
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (n > 0) {
    const size_t piece = std::min<size_t>(n, 1u << 30);  // zlib counts in 32 bits
    e.crc = static_cast<uint32_t>(crc32(e.crc, bytes, static_cast<uInt>(piece)));
    e.size += piece;
    if (e.method == Method::Stored) {
      append(bytes, piece);
      e.compSize += piece;
    } else {
      zs_.next_in = const_cast<Bytef*>(bytes);
      zs_.avail_in = static_cast<uInt>(piece);
      drainDeflate(Z_NO_FLUSH);
    }
    bytes += piece;
    n -= piece;
  }
}

void ZipWriter::drainDeflate(int flush) {
  for (;;) {
    zs_.next_out = buf_.data();
    zs_.avail_out = static_cast<uInt>(buf_.size());
    const int rc = deflate(&zs_, flush);
    if (rc == Z_STREAM_ERROR) throw ZipError(u"Błąd kompresji Deflate.");
    const size_t produced = buf_.size() - zs_.avail_out;
    append(buf_.data(), produced);
    entries_.back().compSize += produced;
    if (flush == Z_FINISH ? rc == Z_STREAM_END : zs_.avail_out != 0) break;
  }
}

void ZipWriter::endFile() {
  if (!inFile_) throw std::logic_error("ZipWriter: no entry to end");
  Entry& e = entries_.back();
  if (e.method == Method::Deflate) drainDeflate(Z_FINISH);
  if (!e.zip64Local && (over32(e.size) || over32(e.compSize))) {
    throw ZipError(entryMessage(u"Plik przekracza 4 GiB, a archiwum nie ma rekordów ZIP64: ",
                                text::fromUtf8(e.name)));
  }
  // The header went out before the data; now that crc and sizes are known, rewrite it in place.
  const uint64_t end = pos_;
  pos_ = e.localOffset;
  writeLocalHeader(e);
  pos_ = end;
  inFile_ = false;
}

void ZipWriter::addFile(const Text& name, std::string_view data, Method method) {
  beginFile(name, method);
  write(data.data(), data.size());
  endFile();
}

void ZipWriter::addFolder(const Text& name) {
  beginFile(name, Method::Stored);
  entries_.back().folder = true;
  endFile();
}

void ZipWriter::append(const void* data, size_t n) {
  if (n == 0) return;
  file_->writeAt(pos_, data, n);
  pos_ += n;
}

void ZipWriter::writeLocalHeader(const Entry& e) {
  std::vector<uint8_t> h(fmt::kLocalSize + e.name.size() + (e.zip64Local ? 20 : 0));
  uint8_t* p = h.data();
  fmt::put32(p, fmt::kLocalSig);
  fmt::put16(p + 4, e.zip64Local ? kVersion45 : kVersion20);
  fmt::put16(p + fmt::local::flags, e.flags);
  fmt::put16(p + fmt::local::method, static_cast<uint16_t>(e.method));
  fmt::put16(p + fmt::local::time, stamp_.time);
  fmt::put16(p + fmt::local::date, stamp_.date);
  fmt::put32(p + fmt::local::crc, e.crc);
  fmt::put32(p + fmt::local::compSize, field32(e.compSize, e.zip64Local));
  fmt::put32(p + fmt::local::size, field32(e.size, e.zip64Local));
  fmt::put16(p + fmt::local::nameLen, static_cast<uint16_t>(e.name.size()));
  fmt::put16(p + fmt::local::extraLen, e.zip64Local ? 20 : 0);
  std::copy(e.name.begin(), e.name.end(), p + fmt::kLocalSize);
  if (e.zip64Local) {
    uint8_t* x = p + fmt::kLocalSize + e.name.size();
    fmt::put16(x, fmt::kZip64ExtraId);
    fmt::put16(x + 2, 16);
    fmt::put64(x + 4, e.size);
    fmt::put64(x + 12, e.compSize);
  }
  append(h.data(), h.size());
}

void ZipWriter::writeCentralHeader(const Entry& e) {
  const bool force = options_.forceZip64;
  const bool bigSize = force || over32(e.size);
  const bool bigComp = force || over32(e.compSize);
  const bool bigOffset = force || over32(e.localOffset);
  const size_t extraLen =
      (bigSize || bigComp || bigOffset) ? 4 + 8 * (size_t{bigSize} + bigComp + bigOffset) : 0;
  std::vector<uint8_t> h(fmt::kCentralSize + e.name.size() + extraLen);
  uint8_t* p = h.data();
  const uint16_t version = extraLen ? kVersion45 : kVersion20;
  fmt::put32(p, fmt::kCentralSig);
  fmt::put16(p + fmt::central::madeBy, version);  // high byte 0: MS-DOS attributes
  fmt::put16(p + fmt::central::needed, version);
  fmt::put16(p + fmt::central::flags, e.flags);
  fmt::put16(p + fmt::central::method, static_cast<uint16_t>(e.method));
  fmt::put16(p + fmt::central::time, stamp_.time);
  fmt::put16(p + fmt::central::date, stamp_.date);
  fmt::put32(p + fmt::central::crc, e.crc);
  fmt::put32(p + fmt::central::compSize, field32(e.compSize, bigComp));
  fmt::put32(p + fmt::central::size, field32(e.size, bigSize));
  fmt::put16(p + fmt::central::nameLen, static_cast<uint16_t>(e.name.size()));
  fmt::put16(p + fmt::central::extraLen, static_cast<uint16_t>(extraLen));
  fmt::put32(p + fmt::central::externalAttr, e.folder ? kDosDirectory : kDosArchive);
  fmt::put32(p + fmt::central::localOffset, field32(e.localOffset, bigOffset));
  std::copy(e.name.begin(), e.name.end(), p + fmt::kCentralSize);
  if (extraLen) {
    uint8_t* x = p + fmt::kCentralSize + e.name.size();
    fmt::put16(x, fmt::kZip64ExtraId);
    fmt::put16(x + 2, static_cast<uint16_t>(extraLen - 4));
    x += 4;
    for (const auto& [big, value] : {std::pair{bigSize, e.size}, std::pair{bigComp, e.compSize},
                                     std::pair{bigOffset, e.localOffset}}) {
      if (!big) continue;
      fmt::put64(x, value);
      x += 8;
    }
  }
  append(h.data(), h.size());
}

void ZipWriter::writeEndRecords(uint64_t cdOffset, uint64_t cdSize) {
  const uint64_t count = entries_.size();
  const bool zip64 =
      options_.forceZip64 || count >= fmt::kSentinel16 || over32(cdOffset) || over32(cdSize);
  if (zip64) {
    const uint64_t end64Pos = pos_;
    uint8_t r[fmt::kZip64EndSize] = {};
    fmt::put32(r, fmt::kZip64EndSig);
    fmt::put64(r + fmt::end64::recordSize, fmt::kZip64EndSize - 12);
    fmt::put16(r + fmt::end64::madeBy, kVersion45);
    fmt::put16(r + fmt::end64::needed, kVersion45);
    fmt::put64(r + fmt::end64::diskEntries, count);
    fmt::put64(r + fmt::end64::entries, count);
    fmt::put64(r + fmt::end64::cdSize, cdSize);
    fmt::put64(r + fmt::end64::cdOffset, cdOffset);
    append(r, sizeof r);
    uint8_t loc[fmt::kZip64LocatorSize] = {};
    fmt::put32(loc, fmt::kZip64LocatorSig);
    fmt::put64(loc + fmt::locator::end64Offset, end64Pos);
    fmt::put32(loc + fmt::locator::disks, 1);
    append(loc, sizeof loc);
  }
  uint8_t r[fmt::kEndSize] = {};
  const uint16_t count16 = zip64 ? fmt::kSentinel16 : static_cast<uint16_t>(count);
  fmt::put32(r, fmt::kEndSig);
  fmt::put16(r + fmt::end::diskEntries, count16);
  fmt::put16(r + fmt::end::entries, count16);
  fmt::put32(r + fmt::end::cdSize, field32(cdSize, zip64));
  fmt::put32(r + fmt::end::cdOffset, field32(cdOffset, zip64));
  append(r, sizeof r);
}

void ZipWriter::finish() {
  if (!file_) throw std::logic_error("ZipWriter: finished twice");
  if (inFile_) endFile();
  const uint64_t cdOffset = pos_;
  for (const Entry& e : entries_) writeCentralHeader(e);
  writeEndRecords(cdOffset, pos_ - cdOffset);
  file_->flush();
  file_.reset();
}

}  // namespace zipkit
