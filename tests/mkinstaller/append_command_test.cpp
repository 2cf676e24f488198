// mkinstaller's command line, on real files through the host platform.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/host_platform.h"
#ifndef _WIN32
#include "platform/posix_platform.h"
#endif
#include "archive/installer_layout.h"
#include "tests/mkinstaller/disk_files.h"
#include "tools/mkinstaller/command.h"

namespace {

using testfiles::pathText;
using testfiles::readAll;
using testfiles::writeAll;

namespace fs = std::filesystem;
using text::Text;

#ifndef _WIN32
// Files it creates fail on their second write, as on a full disk.
class DiskFullPlatform : public plat::PosixPlatform {
 public:
  std::unique_ptr<plat::File> open(const Text& path, plat::OpenMode mode) override {
    auto file = PosixPlatform::open(path, mode);
    if (mode != plat::OpenMode::Create) return file;
    return std::make_unique<FailingFile>(std::move(file));
  }

 private:
  class FailingFile : public plat::File {
   public:
    explicit FailingFile(std::unique_ptr<plat::File> real) : real_(std::move(real)) {}
    uint64_t size() override { return real_->size(); }
    size_t readAt(uint64_t pos, void* buf, size_t n) override { return real_->readAt(pos, buf, n); }
    void writeAt(uint64_t pos, const void* buf, size_t n) override {
      if (++writes_ == 2) throw plat::FileError(u"Cannot write: No space left on device");
      real_->writeAt(pos, buf, n);
    }
    void truncate(uint64_t size) override { real_->truncate(size); }
    void flush() override { real_->flush(); }

   private:
    std::unique_ptr<plat::File> real_;
    int writes_ = 0;
  };
};
#endif

class AppendCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testfiles::newTestFolder("mkinstaller");
    writeAll(dir_ / "stub.exe", "MZ stub program");
    writeAll(dir_ / "package.zip", "PK archive bytes");
  }
  void TearDown() override { fs::remove_all(dir_); }

  Text at(const char* name) const { return pathText(dir_ / name); }

  int run(std::vector<Text> args) {
    out_.str({});
    err_.str({});
    mkinstaller::Io io{out_, err_};
    return mkinstaller::runTool(*platform_, args, io);
  }

  std::vector<Text> appendArgs(const char* stub, const char* archive, const char* output) {
    return {u"append", u"--stub", at(stub), u"--archive", at(archive), u"-o", at(output)};
  }

  fs::path dir_;
  std::unique_ptr<plat::Platform> platform_ = plat::makeHostPlatform();
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(AppendCommand, WritesTheInstallerLayout) {
  ASSERT_EQ(run(appendArgs("stub.exe", "package.zip", "out.exe")), 0) << err_.str();
  EXPECT_EQ(readAll(dir_ / "out.exe"),
            "MZ stub program"
            "PK archive bytes"
            "\xEF\xBB\xBF" +
                layout::formatTrailer(15));
  EXPECT_NE(out_.str().find("offset 15"), std::string::npos) << out_.str();
  EXPECT_FALSE(fs::exists(dir_ / "out.exe.part"));
}

TEST_F(AppendCommand, ReplacesAnExistingOutputAndMayOverwriteAnInput) {
  writeAll(dir_ / "out.exe", std::string(1000, 'o'));
  ASSERT_EQ(run(appendArgs("stub.exe", "package.zip", "out.exe")), 0) << err_.str();
  EXPECT_EQ(fs::file_size(dir_ / "out.exe"), 15u + 16u + 3u + 20u);

  // The output is complete before it takes the name, so it may even replace its own stub.
  ASSERT_EQ(run(appendArgs("stub.exe", "package.zip", "stub.exe")), 0) << err_.str();
  EXPECT_EQ(readAll(dir_ / "stub.exe"), readAll(dir_ / "out.exe"));
}

TEST_F(AppendCommand, ReportsEveryErrorWithExitCodeOneAndLeavesNoOutput) {
  writeAll(dir_ / "empty.exe", "");
  struct Case {
    const char* what;
    std::vector<Text> args;
    std::string errorPart;
  };
  const Case cases[] = {
      {"missing stub", appendArgs("nostub.exe", "package.zip", "out.exe"), "installer program"},
      {"missing archive", appendArgs("stub.exe", "nozip.zip", "out.exe"), "package archive"},
      {"stub is a folder", appendArgs(".", "package.zip", "out.exe"), "installer program"},
      {"empty stub", appendArgs("empty.exe", "package.zip", "out.exe"), "empty"},
      {"output folder missing", appendArgs("stub.exe", "package.zip", "no/such/out.exe"), "no"},
      {"no output option",
       {u"append", u"--stub", at("stub.exe"), u"--archive", at("package.zip")},
       "missing option --output"},
      {"unknown option", {u"append", u"--stubb", at("stub.exe")}, "unknown option --stubb"},
      {"option without value", {u"append", u"--stub"}, "needs a value"},
      {"stray argument", {u"append", u"stub.exe"}, "unexpected argument stub.exe"},
      {"option twice", {u"append", u"-o", u"a", u"--output", u"b"}, "given twice"},
      {"unknown command", {u"apend"}, "unknown command 'apend'"},
      {"no command", {}, "usage:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(run(c.args), 1);
    EXPECT_NE(err_.str().find(c.errorPart), std::string::npos) << err_.str();
    EXPECT_FALSE(fs::exists(dir_ / "out.exe"));
    EXPECT_FALSE(fs::exists(dir_ / "out.exe.part"));
  }
}

TEST_F(AppendCommand, HelpGoesToStandardOutputWithExitCodeZero) {
  struct Case {
    std::vector<Text> args;
    std::string usagePart;
  };
  const Case cases[] = {{{u"--help"}, "commands:"}, {{u"append", u"--help"}, "--archive FILE"}};
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.args), 0);
    EXPECT_NE(out_.str().find(c.usagePart), std::string::npos) << out_.str();
    EXPECT_EQ(err_.str(), "");
  }
}

#ifndef _WIN32
TEST_F(AppendCommand, AFailedWriteLeavesNeitherOutputNorPartialFile) {
  writeAll(dir_ / "out.exe", "the previous installer");
  platform_ = std::make_unique<DiskFullPlatform>();
  EXPECT_EQ(run(appendArgs("stub.exe", "package.zip", "out.exe")), 1);
  EXPECT_NE(err_.str().find("No space left"), std::string::npos) << err_.str();
  EXPECT_EQ(readAll(dir_ / "out.exe"), "the previous installer");
  EXPECT_FALSE(fs::exists(dir_ / "out.exe.part"));
}
#endif

}  // namespace
