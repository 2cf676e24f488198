// Texts of Windows error codes, for the messages of raised errors.
#pragma once

#include <windows.h>

#include "platform/long_path.h"
#include "platform/status.h"
#include "platform/text.h"

namespace plat::win32 {

// The reason an error code stands for, in Polish: common file errors worded here, others in the
// system's Polish text, else the code.
text::Text systemMessage(DWORD code);

// The failure GetLastError names, as a status.
Status lastErrorStatus();
// Done when a Win32 call returned TRUE, else the failure GetLastError names.
Status statusOf(BOOL done);

// "what `path`. reason": the shape of every file and folder error.
text::Text failureText(const char16_t* what, const text::Text& path, DWORD code);

// Wide-character view of a UTF-16 text, for the W functions.
inline const wchar_t* wide(const text::Text& t) {
  return reinterpret_cast<const wchar_t*>(t.c_str());
}
// A path as the file functions take it, in the extended-length form when it is long; it lives
// until the end of the full expression that made it.
class WidePath {
 public:
  explicit WidePath(const text::Text& path) : path_(extendedLengthPath(path)) {}
  operator const wchar_t*() const { return wide(path_); }  // NOLINT: passed to the W functions

 private:
  text::Text path_;
};
inline WidePath widePath(const text::Text& path) {
  return WidePath(path);
}
inline text::Text fromWide(const wchar_t* s) {
  return reinterpret_cast<const char16_t*>(s);
}
inline text::Text fromWide(const wchar_t* s, size_t n) {
  return text::Text(reinterpret_cast<const char16_t*>(s), n);
}

}  // namespace plat::win32
