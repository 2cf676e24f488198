// plat::File over a Win32 file handle.
#pragma once

#include <windows.h>

#include "platform/file.h"

namespace plat::win32 {

class Win32File : public File {
 public:
  // Takes ownership of the handle; path names the file in error messages.
  Win32File(HANDLE handle, Text path) : handle_(handle), path_(std::move(path)) {}
  ~Win32File() override;
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  uint64_t size() override;
  size_t readAt(uint64_t pos, void* buf, size_t n) override;
  void writeAt(uint64_t pos, const void* buf, size_t n) override;
  void truncate(uint64_t size) override;
  void flush() override;

 private:
  [[noreturn]] void fail(const char16_t* what, DWORD code) const;

  HANDLE handle_;
  Text path_;
};

// Opens path in the given mode; throws FileError naming the file and the system's reason.
std::unique_ptr<File> openFile(const Text& path, OpenMode mode);

}  // namespace plat::win32
