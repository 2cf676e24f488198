// Extraction speed of our reader against Debian's unzip on the same package: a ~50 MB archive
// of a few thousand files (half picture-like noise, half text-like), each extracted into an
// empty folder. Both run in turn, seven times: prints the median of each with its range
// (min-max) and the ratio of the medians, so that one run's figure can be compared with the
// next run's on a busy machine.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/zip_reader.h"
#include "archive/zip_writer.h"
#include "platform/posix_platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 3400;
constexpr int kRuns = 7;

struct Rng {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint32_t next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
};

std::string fileContent(Rng& rng, bool pictureLike) {
  static const char* const kWords[] = {"krzesło ", "stół ", "szafa ", "model=", "tekstura ",
                                       "0.125 ",   "1.5 ",  "lampa ", "\r\n",   "komoda "};
  const size_t size = 1024 + rng.next() % (48 * 1024);
  std::string s;
  s.reserve(size + 16);
  while (s.size() < size) {
    if (pictureLike) {
      s.push_back(static_cast<char>(rng.next()));
    } else {
      s += kWords[rng.next() % std::size(kWords)];
    }
  }
  return s;
}

text::Text entryName(int i) {
  return u"Pakiet\\grupa" + text::num(i % 40) + u"\\plik" + text::num(i) +
         (i % 2 ? u".jpg" : u".txt");
}

void buildArchive(plat::Platform& platform, const fs::path& path) {
  zipkit::ZipWriter writer(platform, text::fromUtf8(path.string()));
  Rng rng;
  for (int i = 0; i < kFiles; ++i) writer.addFile(entryName(i), fileContent(rng, i % 2 == 1));
  writer.finish();
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double extractWithReader(plat::Platform& platform, const fs::path& archive, const fs::path& dir) {
  const auto start = Clock::now();
  zipkit::ZipReader reader(platform);
  reader.open(text::fromUtf8(archive.string()));
  const text::Text folder = text::fromUtf8(dir.string()) + u"\\";
  for (const text::Text& name : reader.names()) reader.extract(name, folder);
  reader.close();
  return secondsSince(start);
}

double extractWithUnzip(const fs::path& archive, const fs::path& dir) {
  // unzip warns once per entry about the "\" separators it converts; the warnings are dropped.
  const std::string cmd =
      "unzip -o -q '" + archive.string() + "' -d '" + dir.string() + "' >/dev/null 2>&1";
  const auto start = Clock::now();
  const int rc = std::system(cmd.c_str());
  const double seconds = secondsSince(start);
  // unzip exits with 1 for warnings only.
  if (rc != 0 && WEXITSTATUS(rc) != 1) {
    std::fprintf(stderr, "unzip failed (%d)\n", rc);
    std::exit(1);
  }
  return seconds;
}

void countFiles(const fs::path& dir, size_t& files, uintmax_t& bytes) {
  files = 0;
  bytes = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    ++files;
    bytes += e.file_size();
  }
}

// Prints the median of the runs' seconds with their range; returns the median.
double printMedian(const char* what, std::vector<double> seconds) {
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];  // an odd number of runs
  std::printf("%s %.3f s (%.3f-%.3f, median of %zu)\n", what, median, seconds.front(),
              seconds.back(), seconds.size());
  return median;
}

}  // namespace

int main() {
  plat::PosixPlatform platform;
  const fs::path root = fs::temp_directory_path() / ("zip_bench-" + std::to_string(getpid()));
  fs::create_directories(root);
  const fs::path archive = root / "package.zip";
  const auto built = Clock::now();
  buildArchive(platform, archive);
  std::printf("archive: %d files, %.1f MB, written by zipkit in %.3f s\n", kFiles,
              fs::file_size(archive) / 1e6, secondsSince(built));

  std::vector<double> ours;
  std::vector<double> theirs;
  for (int run = 0; run < kRuns; ++run) {
    const fs::path a = root / "ours";
    const fs::path b = root / "unzip";
    fs::remove_all(a);
    fs::remove_all(b);
    fs::create_directories(a);
    fs::create_directories(b);
    ours.push_back(extractWithReader(platform, archive, a));
    theirs.push_back(extractWithUnzip(archive, b));
    size_t filesA = 0, filesB = 0;
    uintmax_t bytesA = 0, bytesB = 0;
    countFiles(a, filesA, bytesA);
    countFiles(b, filesB, bytesB);
    if (filesA != filesB || bytesA != bytesB) {
      std::fprintf(stderr, "outputs differ: %zu files/%ju bytes vs %zu files/%ju bytes\n", filesA,
                   bytesA, filesB, bytesB);
      return 1;
    }
  }
  fs::remove_all(root);
  const double oursMedian = printMedian("zipkit extract:", ours);
  const double theirsMedian = printMedian("unzip -o -q:   ", theirs);
  std::printf("ratio zipkit/unzip (medians): %.2f\n", oursMedian / theirsMedian);
  return 0;
}
