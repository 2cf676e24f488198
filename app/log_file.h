// The log file of "/LOG=": every line of a run appended in UTF-8 after the local time, for
// administrators and support to read after the run.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/log.h"
#include "platform/platform.h"

namespace app {

using text::Text;

class LogFile {
 public:
  // Opens the file for appending, creating it when missing; throws plat::FileError with the
  // cause when it can do neither, or when the file may be one the install reads or writes (a
  // path in a folder named as the host's library folder), or is neither empty nor a log of ours
  // (its first line starts with the local time).
  LogFile(plat::Platform& platform, const Text& path);

  // Appends "YYYY-MM-DD HH:MM:SS line" and a line end. A write that fails is dropped: the file
  // serves the install and never stops it half-way.
  void write(const Text& line);
  // write() as a log record.
  logs::Log::Sink sink();
  // The file's last line: how the run ended.
  void writeEnd(const Text& outcome, int exitCode);

 private:
  plat::Platform& platform_;
  std::unique_ptr<plat::File> file_;
  uint64_t end_ = 0;
};

}  // namespace app
