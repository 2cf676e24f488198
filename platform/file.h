// The small file interface through which the ZIP reader, the payload copy and the database
// engine do their I/O, so that tests can inject a failing read or write at the k-th call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/text.h"

namespace plat {

using text::Text;

// Raised by every file operation that fails; the message names the cause and the file.
class FileError : public text::Error {
 public:
  using text::Error::Error;
};

class File {
 public:
  virtual ~File() = default;
  virtual uint64_t size() = 0;
  // Reads up to n bytes at the given position; returns how many were read (less only at the end).
  virtual size_t readAt(uint64_t pos, void* buf, size_t n) = 0;
  // Writes n bytes at the given position, growing the file when needed.
  virtual void writeAt(uint64_t pos, const void* buf, size_t n) = 0;
  virtual void truncate(uint64_t size) = 0;
  // Forces the data written so far to stable storage, not only to the system's cache, so that a
  // rename that follows cannot put a file in place whose data a power cut would lose.
  virtual void flush() = 0;
};

enum class OpenMode {
  Read,       // existing file; others may read, none may write
  ReadWrite,  // existing file; others may read
  Create,     // create or truncate; read and write
};

}  // namespace plat
