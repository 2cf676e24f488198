// Replays the fuzz target's inputs: its seeds (intact files) must read in full, and the inputs
// that once broke it must read or fail with a jet::Error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/jet/jet_test_support.h"

namespace {

const std::filesystem::path kFuzzDir =
    std::filesystem::path(SOURCE_DIR) / "tests/fuzz/fuzz_jet_read";

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  if (!std::filesystem::is_directory(dir)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  return files;
}

std::vector<uint8_t> bytesOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(FuzzInputs, SeedsReadInFull) {
  const auto seeds = filesIn(kFuzzDir / "seeds");
  ASSERT_FALSE(seeds.empty());
  for (const auto& seed : seeds) {
    EXPECT_GT(jettest::readEverything(bytesOf(seed)), 0u) << seed;
  }
}

TEST(FuzzInputs, RegressionsReadOrFailCleanly) {
  for (const auto& input : filesIn(kFuzzDir / "regressions")) {
    try {
      jettest::readEverything(bytesOf(input));
    } catch (const jet::Error&) {
    }
  }
}

}  // namespace
