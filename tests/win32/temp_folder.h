// A fresh folder under the system's temporary folder for one test, removed with its contents
// afterwards.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/text.h"

namespace wintest {

class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    static int serial = 0;
    path_ = std::filesystem::path(base) / (L"w32test_" + std::to_wstring(GetCurrentProcessId()) +
                                           L"_" + std::to_wstring(++serial));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);  // attributes were made plain by the tests
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path, without a trailing separator.
  text::Text dir() const { return text::Text(reinterpret_cast<const char16_t*>(path_.c_str())); }
  // A path inside the folder.
  text::Text at(const text::Text& name) const { return dir() + u"\\" + name; }

 private:
  std::filesystem::path path_;
};

inline const wchar_t* wide(const text::Text& t) {
  return reinterpret_cast<const wchar_t*>(t.c_str());
}

}  // namespace wintest
