#include "app/log_file.h"

#include <cstdio>
#include <string>

namespace app {

namespace {

Text stamp(const plat::LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text::fromUtf8(buf);
}

}  // namespace

LogFile::LogFile(plat::Platform& platform, const Text& path) : platform_(platform) {
  file_ = platform.open(
      path, platform.fileExists(path) ? plat::OpenMode::ReadWrite : plat::OpenMode::Create);
  end_ = file_->size();
}

void LogFile::write(const Text& line) {
  const std::string bytes = text::toUtf8(stamp(platform_.localTime()) + u" " + line + u"\r\n");
  try {
    file_->writeAt(end_, bytes.data(), bytes.size());
    file_->flush();
    end_ += bytes.size();
  } catch (const plat::FileError&) {
    // Nothing to tell it to: the log is what failed.
  }
}

logs::Log::Sink LogFile::sink() {
  return [this](int32_t, const Text& line) { write(line); };
}

void LogFile::writeEnd(const Text& outcome, int exitCode) {
  write(u"Wynik: " + outcome + u"; kod wyjścia: " + text::num(exitCode));
}

}  // namespace app
