#include "platform/win32/win_error.h"

namespace plat::win32 {

text::Text systemMessage(DWORD code) {
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  text::Text msg;
  if (n > 0 && buf) msg = fromWide(buf, n);
  if (buf) LocalFree(buf);
  while (!msg.empty() && (msg.back() == u'\n' || msg.back() == u'\r' || msg.back() == u' ')) {
    msg.pop_back();
  }
  if (msg.empty()) msg = u"Błąd systemu " + text::num(code) + u".";
  return msg;
}

}  // namespace plat::win32
