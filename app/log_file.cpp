#include "app/log_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "accessorydb/jet/layout.h"
#include "archive/zip_format.h"
#include "target/host_layout.h"

namespace app {

namespace {

// A folder of the path (relative ones taken from the current folder) that Windows reads as the
// host's library folder: any letter case, trailing dots and blanks dropped.
bool inLibraryFolder(plat::Platform& platform, const Text& path) {
  const bool absolute =
      path.size() >= 2 && (path[1] == u':' || path[0] == u'\\' || path[0] == u'/');
  const Text full = absolute ? path : platform.currentDirectory() + u"\\" + path;
  size_t start = 0;
  for (size_t sep = full.find_first_of(u"\\/"); sep != Text::npos;
       sep = full.find_first_of(u"\\/", start)) {
    std::u16string_view folder(full.data() + start, sep - start);
    while (!folder.empty() && (folder.back() == u'.' || folder.back() == u' ')) {
      folder.remove_suffix(1);
    }
    if (text::equalsIgnoreAsciiCase(folder, target::kLibraryFolder)) return true;
    start = sep + 1;
  }
  return false;
}

// A file that starts like a Jet database or a ZIP archive is no log: appending would damage it.
bool startsLikeDataFile(plat::File& file) {
  char head[jet::page0::kEngineNameOffset + jet::page0::kJetEngineName.size()] = {};
  const size_t got = file.readAt(0, head, sizeof head);
  const std::string_view jetName = jet::page0::kJetEngineName;
  if (got == sizeof head &&
      std::memcmp(head + jet::page0::kEngineNameOffset, jetName.data(), jetName.size()) == 0) {
    return true;
  }
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(head);
  return got >= 4 && (zipkit::fmt::get32(bytes) == zipkit::fmt::kLocalSig ||
                      zipkit::fmt::get32(bytes) == zipkit::fmt::kEndSig);
}

Text stamp(const plat::LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text::fromUtf8(buf);
}

}  // namespace

LogFile::LogFile(plat::Platform& platform, const Text& path) : platform_(platform) {
  if (inLibraryFolder(platform, path)) {
    throw plat::FileError(u"Plik dziennika nie może leżeć w folderze biblioteki programu: " + path);
  }
  const bool exists = platform.fileExists(path);
  file_ = platform.open(path, exists ? plat::OpenMode::ReadWrite : plat::OpenMode::Create);
  if (exists && startsLikeDataFile(*file_)) {
    file_.reset();
    throw plat::FileError(u"Plik dziennika nie jest dziennikiem (baza danych lub archiwum): " +
                          path);
  }
  end_ = file_->size();
}

void LogFile::write(const Text& line) {
  const std::string bytes = text::toUtf8(stamp(platform_.localTime()) + u" " + line + u"\r\n");
  try {
    // The line is the system's once written; forcing every line to the disk would make a long
    // run's log cost more than its install.
    file_->writeAt(end_, bytes.data(), bytes.size());
    end_ += bytes.size();
  } catch (const plat::FileError&) {
    // Nothing to tell it to: the log is what failed.
  }
}

logs::Log::Sink LogFile::sink() {
  return [this](logs::Level, const Text& line) { write(line); };
}

void LogFile::writeEnd(const Text& outcome, int exitCode) {
  write(u"Wynik: " + outcome + u"; kod wyjścia: " + text::num(exitCode));
}

}  // namespace app
