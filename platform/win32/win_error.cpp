#include "platform/win32/win_error.h"

namespace plat::win32 {

namespace {

// The reasons a file operation of the installer meets most, worded the same on every Windows.
const char16_t* commonReason(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return u"Nie znaleziono pliku.";
    case ERROR_PATH_NOT_FOUND:
      return u"Nie znaleziono ścieżki.";
    case ERROR_ACCESS_DENIED:
      return u"Odmowa dostępu.";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return u"Plik jest używany przez inny program.";
    case ERROR_WRITE_PROTECT:
      return u"Nośnik jest zabezpieczony przed zapisem.";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return u"Brak miejsca na dysku.";
    case ERROR_WRITE_FAULT:
      return u"Błąd zapisu na urządzeniu.";
    case ERROR_READ_FAULT:
      return u"Błąd odczytu z urządzenia.";
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return u"Plik już istnieje.";
    case ERROR_INVALID_NAME:
      return u"Nieprawidłowa nazwa pliku lub folderu.";
    case ERROR_NOT_READY:
      return u"Urządzenie nie jest gotowe.";
    default:
      return nullptr;
  }
}

}  // namespace

text::Text systemMessage(DWORD code) {
  if (const char16_t* reason = commonReason(code)) return reason;
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
  if (msg.empty()) msg = u"Błąd systemu " + text::num(code) + u".";
  return msg;
}

text::Text failureText(const char16_t* what, const text::Text& path, DWORD code) {
  return text::Text(what) + u" `" + path + u"`. " + systemMessage(code);
}

}  // namespace plat::win32
