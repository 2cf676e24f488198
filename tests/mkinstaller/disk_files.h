// Real files for the command-line tests, which run the tool on disk like a package maker does.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/text.h"

namespace testfiles {

inline std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Creates the missing folders on the way.
inline void writeAll(const std::filesystem::path& p, const std::string& bytes) {
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string utf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return {s.begin(), s.end()};
}

// A new folder of the running test's own under the temporary folder; unique, as other builds
// may run the same tests at the same time.
inline std::filesystem::path newTestFolder(const std::string& prefix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      (prefix + "-" + info->name() + "-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  return dir;
}

inline text::Text pathText(const std::filesystem::path& p) {
  return text::fromUtf8(utf8(p));
}

}  // namespace testfiles
