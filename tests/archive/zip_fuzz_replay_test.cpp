// Replays the fuzz seeds and every input that once broke the ZIP reader (tests/fuzz/zip_fuzz)
// through the fuzz harness, so the native sanitizer build keeps them fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/fuzz/zip_fuzz/zip_harness.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ZipFuzzReplay, SeedsAndRegressionsRunClean) {
  const fs::path root = fs::path(SOURCE_DIR) / "tests/fuzz/zip_fuzz";
  size_t inputs = 0;
  size_t extracted = 0;
  for (const char* sub : {"seeds", "regressions"}) {
    if (!fs::exists(root / sub)) continue;
    for (const auto& e : fs::directory_iterator(root / sub)) {
      if (!e.is_regular_file() || e.path().filename().string().front() == '.') continue;
      SCOPED_TRACE(e.path().string());
      const std::vector<uint8_t> bytes = readAll(e.path());
      extracted += ziptest::exerciseArchive(bytes.data(), bytes.size());
      ++inputs;
    }
  }
  EXPECT_GE(inputs, 5u) << "the seed archives are missing";
  // The seeds are good archives, so most of their entries must come out.
  EXPECT_GE(extracted, 10u);
}

}  // namespace
