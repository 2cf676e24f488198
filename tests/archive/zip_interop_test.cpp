// Our writer and reader against Debian's Info-ZIP tools, on real files: archives we write must
// unpack with unzip, and archives zip writes (folder entries, stored data, data descriptors,
// ZIP64 records) must unpack with our reader.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/zip_reader.h"
#include "platform/posix_platform.h"
#include "tests/archive/zip_fixtures.h"

namespace {

namespace fs = std::filesystem;
using text::Text;

class ZipInteropTest : public testing::Test {
 protected:
  plat::PosixPlatform platform;
  fs::path dir;

  void SetUp() override {
    if (std::system("command -v zip >/dev/null && command -v unzip >/dev/null") != 0) {
      FAIL() << "Info-ZIP zip and unzip are needed (scripts/deps.sh installs them)";
    }
    std::string pattern = (fs::temp_directory_path() / "zip_interop-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }

  static Text win(const fs::path& p) { return text::fromUtf8(p.string()); }
  static void writeFile(const fs::path& p, const std::string& data) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << data;
  }
  static std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int run(const std::string& cmd) {
    const int rc = std::system(("cd '" + dir.string() + "' && " + cmd).c_str());
    return WEXITSTATUS(rc);
  }
};

TEST_F(ZipInteropTest, UnzipReadsWhatWeWrite) {
  const std::string big = ziptest::sampleData(150 * 1024);
  for (const bool zip64 : {false, true}) {
    SCOPED_TRACE(zip64 ? "ZIP64 records" : "plain records");
    fs::remove_all(dir / "out");
    ziptest::writeZip(platform, win(dir / "w.zip"),
                      {{u"P\\a.txt", "alpha"},
                       {u"P\\sub\\big.bin", big},
                       {u"P\\s.txt", "stored", zipkit::Method::Stored},
                       {u"P\\empty\\", ""}},
                      zip64);
    // Exit code 1 is a warning: unzip mentions the "\" separators it converts.
    EXPECT_LE(run("unzip -o -q w.zip -d out >/dev/null 2>&1"), 1);
    EXPECT_EQ(readFile(dir / "out/P/a.txt"), "alpha");
    EXPECT_EQ(readFile(dir / "out/P/sub/big.bin"), big);
    EXPECT_EQ(readFile(dir / "out/P/s.txt"), "stored");
    EXPECT_TRUE(fs::is_directory(dir / "out/P/empty"));
  }
}

TEST_F(ZipInteropTest, WeReadWhatZipWrites) {
  const std::string big = ziptest::sampleData(150 * 1024);
  writeFile(dir / "src/P/a.txt", "alpha");
  writeFile(dir / "src/P/sub/big.bin", big);
  writeFile(dir / "src/P/empty.txt", "");
  struct Case {
    const char* what;
    const char* command;
  } cases[] = {
      {"plain", "cd src && zip -q -r ../z.zip P"},
      {"stored", "cd src && zip -q -0 -r ../z.zip P"},
      {"forced ZIP64", "cd src && zip -q -fz -r ../z.zip P"},
      {"streamed (data descriptors)", "cd src && zip -q -r - P > ../z.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(dir / "z.zip");
    fs::remove_all(dir / "out");
    ASSERT_EQ(run(c.command), 0);
    zipkit::ZipReader reader(platform);
    reader.open(win(dir / "z.zip"));
    EXPECT_GE(reader.indexOf(u"P/"), 0) << "zip stores folder entries with '/'";
    const Text out = win(dir / "out") + u"\\";
    for (const Text& name : reader.names()) reader.extract(name, out);
    EXPECT_EQ(readFile(dir / "out/P/a.txt"), "alpha");
    EXPECT_EQ(readFile(dir / "out/P/sub/big.bin"), big);
    EXPECT_TRUE(fs::exists(dir / "out/P/empty.txt"));
    EXPECT_TRUE(fs::is_directory(dir / "out/P/sub"));
  }
}

}  // namespace
