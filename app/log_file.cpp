#include "app/log_file.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

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

// Only an empty file or a log of ours is appended to: every line of ours starts with the local
// time. Anything else (a database, an archive, another program) would be damaged.
bool isEmptyOrOurLog(plat::File& file) {
  static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd ";
  if (file.size() == 0) return true;
  char head[kShape.size()] = {};
  if (file.readAt(0, head, sizeof head) != sizeof head) return false;
  for (size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = head[i] >= '0' && head[i] <= '9';
    if (kShape[i] == 'd' ? !digit : head[i] != kShape[i]) return false;
  }
  return true;
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
  if (exists && !isEmptyOrOurLog(*file_)) {
    file_.reset();
    throw plat::FileError(u"Plik dziennika nie jest pustym plikiem ani dziennikiem instalatora: " +
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
