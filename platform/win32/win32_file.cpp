#include "platform/win32/win32_file.h"

#include "platform/win32/win_error.h"

namespace plat::win32 {

namespace {

OVERLAPPED at(uint64_t pos) {
  OVERLAPPED ov{};
  ov.Offset = static_cast<DWORD>(pos);
  ov.OffsetHigh = static_cast<DWORD>(pos >> 32);
  return ov;
}

}  // namespace

Win32File::~Win32File() {
  CloseHandle(handle_);
}

void Win32File::fail(const char16_t* what, DWORD code) const {
  throw FileError(failureText(what, path_, code));
}

uint64_t Win32File::size() {
  LARGE_INTEGER s{};
  if (!GetFileSizeEx(handle_, &s)) fail(u"Nie można odczytać rozmiaru pliku", GetLastError());
  return static_cast<uint64_t>(s.QuadPart);
}

size_t Win32File::readAt(uint64_t pos, void* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    OVERLAPPED ov = at(pos + done);
    DWORD got = 0;
    if (!ReadFile(handle_, static_cast<char*>(buf) + done, static_cast<DWORD>(n - done), &got,
                  &ov)) {
      const DWORD code = GetLastError();
      if (code == ERROR_HANDLE_EOF) break;
      fail(u"Błąd odczytu pliku", code);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

void Win32File::writeAt(uint64_t pos, const void* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    OVERLAPPED ov = at(pos + done);
    DWORD put = 0;
    if (!WriteFile(handle_, static_cast<const char*>(buf) + done, static_cast<DWORD>(n - done),
                   &put, &ov)) {
      fail(u"Błąd zapisu pliku", GetLastError());
    }
    if (put == 0) fail(u"Błąd zapisu pliku", ERROR_WRITE_FAULT);
    done += put;
  }
}

void Win32File::truncate(uint64_t size) {
  FILE_END_OF_FILE_INFO eof{};
  eof.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFileInformationByHandle(handle_, FileEndOfFileInfo, &eof, sizeof eof)) {
    fail(u"Nie można zmienić rozmiaru pliku", GetLastError());
  }
}

void Win32File::flush() {
  if (!FlushFileBuffers(handle_)) fail(u"Błąd zapisu na dysk pliku", GetLastError());
}

std::unique_ptr<File> openFile(const Text& path, OpenMode mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  const char16_t* what = u"Nie można otworzyć pliku";
  if (mode != OpenMode::Read) access |= GENERIC_WRITE;
  if (mode == OpenMode::Create) {
    disposition = CREATE_ALWAYS;
    what = u"Nie można utworzyć pliku";
  }
  // Others may read what we hold, never write it, delete it or rename it.
  const HANDLE h = CreateFileW(widePath(path), access, FILE_SHARE_READ, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw FileError(failureText(what, path, GetLastError()));
  return std::make_unique<Win32File>(h, path);
}

}  // namespace plat::win32
