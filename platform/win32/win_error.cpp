#include "platform/win32/win_error.h"

#include <optional>

namespace plat::win32 {

namespace {

// The reasons a file operation of the installer meets most, worded the same on every platform.
std::optional<Reason> commonReason(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return Reason::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
      return Reason::PathNotFound;
    case ERROR_ACCESS_DENIED:
      return Reason::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Reason::InUse;
    case ERROR_WRITE_PROTECT:
      return Reason::WriteProtected;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Reason::DiskFull;
    case ERROR_WRITE_FAULT:
      return Reason::WriteFault;
    case ERROR_READ_FAULT:
      return Reason::ReadFault;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return Reason::AlreadyExists;
    case ERROR_INVALID_NAME:
      return Reason::InvalidName;
    case ERROR_NOT_READY:
      return Reason::NotReady;
    case ERROR_DIR_NOT_EMPTY:
      return Reason::NotEmpty;
    default:
      return std::nullopt;
  }
}

}  // namespace

text::Text systemMessage(DWORD code) {
  if (const std::optional<Reason> reason = commonReason(code)) return reasonText(*reason);
  // Other codes in the system's Polish text where Windows has it; an English text would be
  // the only foreign line of the log.
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buf), 0,
      nullptr);
  text::Text msg;
  if (n > 0 && buf) msg = fromWide(buf, n);
  if (buf) LocalFree(buf);
  while (!msg.empty() && (msg.back() == u'\n' || msg.back() == u'\r' || msg.back() == u' ')) {
    msg.pop_back();
  }
  if (msg.empty()) msg = systemErrorText(code);
  return msg;
}

text::Text failureText(const char16_t* what, const text::Text& path, DWORD code) {
  return text::Text(what) + u" `" + path + u"`. " + systemMessage(code);
}

Status lastErrorStatus() {
  const DWORD code = GetLastError();
  if (const std::optional<Reason> reason = commonReason(code)) return Status::failed(*reason);
  return Status::failed(systemMessage(code));
}

Status statusOf(BOOL done) {
  return done ? Status::done() : lastErrorStatus();
}

}  // namespace plat::win32
