// The result of a file or folder operation: done, or failed with the system's reason in Polish.
// It must be looked at: a caller that does not need it says so with (void) and a comment why.
#pragma once

#include <utility>

#include "platform/text.h"

namespace plat {

using text::Text;

// The reasons file operations meet most, worded the same on every platform.
enum class Reason {
  FileNotFound,
  PathNotFound,
  AccessDenied,
  InUse,
  WriteProtected,
  DiskFull,
  WriteFault,
  ReadFault,
  AlreadyExists,
  InvalidName,
  NotReady,
  NotEmpty,
};

Text reasonText(Reason reason);
// The reason the system gives as a number only.
Text systemErrorText(int64_t code);

class [[nodiscard]] Status {
 public:
  static Status done() { return Status(); }
  static Status failed(Text reason) { return Status(std::move(reason)); }
  static Status failed(Reason reason) {
    Status s(reasonText(reason));
    s.inUse_ = reason == Reason::InUse;
    return s;
  }

  bool ok() const { return !failed_; }
  // Another program holds the file: a virus scanner or an indexer may let go in a moment.
  bool inUse() const { return inUse_; }
  explicit operator bool() const { return ok(); }
  // Empty when the operation succeeded.
  const Text& reason() const { return reason_; }

 private:
  Status() = default;
  explicit Status(Text reason) : failed_(true), reason_(std::move(reason)) {}

  bool failed_ = false;
  bool inUse_ = false;
  Text reason_;
};

// A log line about a failed operation, ending with the system's reason.
inline Text withReason(const Text& line, const Status& status) {
  return status.reason().empty() ? line : line + u". " + status.reason();
}

}  // namespace plat
