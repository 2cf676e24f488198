// The installer's indexed merge against the plain-scan reference on generated databases full of
// repeated keys, markers, near-markers, nulls and keys differing in case: the same result, the
// same rows in the same order, and at the debug level the same log line for line.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>

#include "tests/accessorydb/accessory_db.h"
#include "tests/accessorydb/reference_merge.h"
#include "tests/accessorydb/test_print.h"
#include "tests/support/fake_platform.h"

namespace accdbtest {
namespace {

using text::Text;

const Text kNew = u"C:\\P\\dodatki_new.mdb";
const Text kOld = u"C:\\P\\dodatki_old.mdb";
const Text kDest = u"C:\\P\\dodatki.mdb";

struct Inputs {
  Content package;
  std::optional<Content> previous;
  std::optional<Content> destination;  // a database already at kDest
};

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  Inputs inputs() {
    Inputs in;
    in.package = content();
    if (chance(3, 4)) in.previous = content();
    // Sometimes a destination with rows; its IDs may clash with the first pass's.
    if (chance(1, 5)) in.destination = content(3);
    return in;
  }

 private:
  bool chance(int in, int of) { return std::uniform_int_distribution<int>(1, of)(rng_) <= in; }
  template <typename T>
  const T& pick(const std::vector<T>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng_)];
  }

  jet::Value nazwa() {
    static const std::vector<jet::Value> names = {
        Text(u"DELETE"), Text(u"DELETE"), Text(u"delete"), Text(u"DELETE "),
        Text(u"Szafka"), Text(u"Półka"),  Text(u""),       jet::Null{}};
    return pick(names);
  }

  Content content(size_t maxRows = 12) {
    static const std::vector<jet::Value> makers = {
        Text(u"Meblar"), Text(u"MEBLAR"), Text(u"meblar"), Text(u"Żak"), Text(u""), jet::Null{}};
    Content c;
    const auto rows = [&] { return std::uniform_int_distribution<size_t>(0, maxRows)(rng_); };
    for (size_t i = rows(); i > 0; --i) {
      c.producers.push_back(producer(pick(makers), nazwa(), tag()));
    }
    // IDs are unique within a table (its primary key), in shuffled order, from a small range
    // so that the databases share many of them.
    std::vector<int32_t> ids(20);
    std::iota(ids.begin(), ids.end(), -5);
    std::shuffle(ids.begin(), ids.end(), rng_);
    ids.resize(std::min(rows(), ids.size()));
    for (const int32_t id : ids) c.items.push_back(item(id, nazwa(), tag()));
    return c;
  }

  Text tag() { return u"t" + text::num(++tags_); }

  std::mt19937 rng_;
  int tags_ = 0;
};

// The input files, made once and copied onto a fresh platform for every run.
struct Files {
  std::string package;
  std::optional<std::string> previous;
  std::optional<std::string> destination;
};

Files makeFiles(const Inputs& in) {
  fake::FakePlatform fs;
  fs.mkdirs(u"C:\\P");
  const auto bytesOf = [&fs](const Text& path, const Content& c) {
    writeDatabase(fs, path, c);
    return fs.readFile(path);
  };
  Files files{bytesOf(kNew, in.package), std::nullopt, std::nullopt};
  if (in.previous) files.previous = bytesOf(kOld, *in.previous);
  if (in.destination) files.destination = bytesOf(kDest, *in.destination);
  return files;
}

struct Outcome {
  bool result = false;
  std::vector<Text> memo;
  std::optional<Content> destination;
};

using MergeFn = bool (*)(plat::Platform&, const accessorydb::MergeFiles&, const logs::Log&);

Outcome run(const Files& files, logs::Level level, MergeFn mergeFn) {
  fake::FakePlatform fs;
  fs.mkdirs(u"C:\\P");
  fs.writeFile(kNew, files.package);
  if (files.previous) fs.writeFile(kOld, *files.previous);
  if (files.destination) fs.writeFile(kDest, *files.destination);
  Outcome out;
  const logs::Log log(level, [&](logs::Level, const Text& line) { out.memo.push_back(line); });
  out.result = mergeFn(fs, {kNew, kOld, kDest}, log);
  if (fs.fileExists(kDest)) out.destination = readDatabase(fs, kDest);
  return out;
}

bool installerMerge(plat::Platform& platform, const accessorydb::MergeFiles& files,
                    const logs::Log& log) {
  return accessorydb::mergeDatabases(platform, files, log).merged();
}

// Seeds in blocks, so that the blocks run side by side.
class MergeEquivalence : public testing::TestWithParam<unsigned> {};
constexpr unsigned kSeedsPerBlock = 10;

TEST_P(MergeEquivalence, IndexedMergeDoesWhatThePlainScansDo) {
  for (unsigned seed = GetParam() * kSeedsPerBlock; seed < (GetParam() + 1) * kSeedsPerBlock;
       ++seed) {
    const Files files = makeFiles(Generator(seed).inputs());
    for (const logs::Level level : {logs::DEBUG, logs::IMPORTANT}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " level " + std::to_string(level));
      const Outcome expected = run(files, level, referenceMerge);
      const Outcome actual = run(files, level, installerMerge);
      EXPECT_EQ(actual.result, expected.result);
      EXPECT_EQ(actual.memo, expected.memo);
      EXPECT_EQ(actual.destination, expected.destination);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MergeEquivalence, testing::Range(0u, 4u));

// The generator reaches both ends: merges that succeed with rows, and the failure path (an ID
// of the previous database already in an existing destination).
TEST(MergeEquivalenceInputs, CoverSuccessesAndFailures) {
  int failed = 0;
  int merged = 0;
  for (unsigned seed = 0; seed < 4 * kSeedsPerBlock; ++seed) {
    const Outcome o = run(makeFiles(Generator(seed).inputs()), logs::IMPORTANT, installerMerge);
    if (!o.result) ++failed;
    if (o.result && !o.destination->items.empty() && !o.destination->producers.empty()) ++merged;
  }
  EXPECT_GT(failed, 0);
  EXPECT_GT(merged, 20);
}

}  // namespace
}  // namespace accdbtest
