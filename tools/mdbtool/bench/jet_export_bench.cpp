// Export speed of our reader against mdbtools' mdb-export on the same table: every row read and
// written out (JSON Lines for us, CSV for mdb-export) to /dev/null. The best of three runs
// counts; prints both times and their ratio.
//   jet_export_bench FILE TABLE
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "accessorydb/jet/database.h"
#include "platform/posix_platform.h"
#include "tools/mdbtool/export_rows.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// One run of our export: open, scan, format, write.
double ourExport(plat::Platform& fs, const std::string& file, const std::string& table, FILE* sink,
                 size_t& rows) {
  const auto start = Clock::now();
  jet::Database db;
  db.open(fs, text::fromUtf8(file), true);
  rows = mdbtool::exportRows(db, db.table(text::fromUtf8(table)), sink);
  std::fflush(sink);
  return seconds(start);
}

// One run of `mdb-export FILE TABLE > /dev/null`.
double mdbExport(const std::string& file, const std::string& table) {
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(127);
    execlp("mdb-export", "mdb-export", file.c_str(), table.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    throw text::Error(u"mdb-export failed");
  }
  return seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: jet_export_bench FILE TABLE\n");
    return 1;
  }
  try {
    const std::string file = argv[1], table = argv[2];
    plat::PosixPlatform fs;
    FILE* sink = std::fopen("/dev/null", "w");
    if (!sink) throw text::Error(u"cannot open /dev/null");
    size_t rows = 0;
    double ours = 1e9, theirs = 1e9;
    for (int i = 0; i < kRuns; ++i) {
      ours = std::min(ours, ourExport(fs, file, table, sink, rows));
      theirs = std::min(theirs, mdbExport(file, table));
    }
    std::fclose(sink);
    std::printf(
        "jet export: %zu rows of %s: ours %.3f s (%.0f rows/s), mdb-export %.3f s; "
        "ours is %.1fx as fast\n",
        rows, table.c_str(), ours, rows / ours, theirs, theirs / ours);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jet_export_bench: %s\n", e.what());
    return 1;
  }
}
