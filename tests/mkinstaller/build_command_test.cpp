// mkinstaller build: a package folder on disk to an installer, read back the way the installer
// reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "archive/installer_layout.h"
#include "archive/payload_trailer.h"
#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "platform/host_platform.h"
#include "tests/accessorydb/accessory_db.h"
#include "tests/mkinstaller/disk_files.h"
#include "tests/support/test_pictures.h"
#include "tools/mkinstaller/command.h"
#include "tools/mkinstaller/package_zip.h"
#ifndef _WIN32
#include <zlib.h>

#include "platform/posix_platform.h"
#endif

namespace {

using testfiles::pathText;
using testfiles::readAll;
using testfiles::writeAll;

namespace fs = std::filesystem;
using text::Text;

fs::path utf8Path(const std::string& s) {
  return fs::path(std::u8string(s.begin(), s.end()));
}

// The archive an installer carries, cut out at the offset its trailer names.
struct Payload {
  std::string stub;
  std::string archive;
};

Payload splitInstaller(const std::string& installer) {
  constexpr size_t kTail = layout::kMarkSize + layout::kTrailerSize;
  if (installer.size() < kTail) throw std::runtime_error("installer too short");
  const auto offset =
      layout::parseTrailer(installer.substr(installer.size() - layout::kTrailerSize));
  if (!offset || *offset <= 0 || static_cast<size_t>(*offset) > installer.size() - kTail) {
    throw std::runtime_error("no valid trailer");
  }
  if (installer.compare(installer.size() - kTail, layout::kMarkSize, layout::kMark) != 0) {
    throw std::runtime_error("no mark before the trailer");
  }
  const size_t at = static_cast<size_t>(*offset);
  return {installer.substr(0, at), installer.substr(at, installer.size() - kTail - at)};
}

// Fields of a central directory header the reader does not show.
struct CentralFields {
  uint16_t flags = 0;
  uint16_t time = 0;
  uint16_t date = 0;
};

// Every central directory header's fields, read straight from the bytes.
std::vector<CentralFields> centralFields(const std::string& archive) {
  namespace f = zipkit::fmt;
  const auto* bytes = reinterpret_cast<const uint8_t*>(archive.data());
  const uint8_t* end = bytes + archive.size() - f::kEndSize;
  if (f::get32(end) != f::kEndSig) throw std::runtime_error("no end record at the archive's end");
  std::vector<CentralFields> fields;
  const uint8_t* p = bytes + f::get32(end + f::end::cdOffset);
  for (uint16_t i = 0; i < f::get16(end + f::end::entries); ++i) {
    if (f::get32(p) != f::kCentralSig) throw std::runtime_error("central header expected");
    fields.push_back({f::get16(p + f::central::flags), f::get16(p + f::central::time),
                      f::get16(p + f::central::date)});
    p += f::kCentralSize + f::get16(p + f::central::nameLen) + f::get16(p + f::central::extraLen) +
         f::get16(p + f::central::commentLen);
  }
  return fields;
}

std::string jpegOf(int width, int height) {
  const std::vector<uint8_t> jpeg = fake::jpegHeader(width, height);
  return std::string(jpeg.begin(), jpeg.end());
}

const std::string kCover = jpegOf(1040, 585);

class BuildCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testfiles::newTestFolder("mkinstaller-build");
    writeAll(dir_ / "stub.exe", "MZ stub program");
    makeDatabase(dir_ / "dodatki.mdb");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void makeDatabase(const fs::path& path) {
    accdbtest::Content content;
    content.producers.push_back(accdbtest::producer(Text(u"Meblar"), Text(u"Meblar sp. z o.o.")));
    content.items.push_back(accdbtest::item(int32_t{1}, Text(u"Szafa dębowa")));
    content.items.push_back(accdbtest::item(int32_t{2}, Text(u"Krzesło")));
    accdbtest::writeDatabase(*platform_, pathText(path), content);
  }

  // A good package "Meble" in folder name: a cover, a description, files at several depths, an
  // empty folder and the database (a copy of the one made in SetUp, so that every package
  // folder holds the same bytes).
  fs::path makePackage(const std::string& name) {
    const fs::path root = dir_ / name;
    writeAll(root / "Meble.jpg", kCover);
    writeAll(root / "Meble.txt", "Meble kuchenne");
    writeAll(root / "Meble" / "modele" / "szafa.3ds", std::string(5000, 's'));
    writeAll(root / "Meble" / utf8Path("tekstury") / utf8Path("dąb.jpg"), "oak texture");
    writeAll(root / "Meble" / "a.ini", "[ustawienia]");
    fs::create_directories(root / "Meble" / "puste");
    fs::copy_file(dir_ / "dodatki.mdb", root / "Meble" / "dodatki.mdb");
    return root;
  }

  Text at(const fs::path& p) const { return pathText(p); }
  Text at(const char* name) const { return pathText(dir_ / name); }

  int run(std::vector<Text> args) {
    out_.str({});
    err_.str({});
    mkinstaller::Io io{out_, err_};
    return mkinstaller::runTool(*platform_, args, io);
  }

  int build(const fs::path& package, const char* output) {
    return run({u"build", at(package), u"-o", at(output), u"--stub", at("stub.exe")});
  }

  // No output, no temporary file beside it.
  void expectNothingWritten(const char* output) {
    EXPECT_FALSE(fs::exists(dir_ / output));
    for (const char* suffix : {".part", ".zip.part"}) {
      EXPECT_FALSE(fs::exists(dir_ / (std::string(output) + suffix))) << suffix;
    }
  }

  fs::path dir_;
  std::unique_ptr<plat::Platform> platform_ = plat::makeHostPlatform();
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(BuildCommand, WritesTheArchiveTheInstallerExpectsAfterTheStub) {
  const fs::path package = makePackage("pkg");
  ASSERT_EQ(build(package, "out.exe"), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  EXPECT_NE(out_.str().find("package Meble: 7 entries"), std::string::npos) << out_.str();
  EXPECT_FALSE(fs::exists(dir_ / "out.exe.zip.part"));

  const Payload payload = splitInstaller(readAll(dir_ / "out.exe"));
  EXPECT_EQ(payload.stub, "MZ stub program");
  writeAll(dir_ / "payload.zip", payload.archive);

  zipkit::ZipReader zip(*platform_);
  zip.open(at("payload.zip"));
  const std::vector<Text> expected = {u"Meble.jpg",         u"Meble.txt",
                                      u"Meble\\a.ini",      u"Meble\\modele\\szafa.3ds",
                                      u"Meble\\puste\\",    u"Meble\\tekstury\\dąb.jpg",
                                      u"Meble\\dodatki.mdb"};
  EXPECT_EQ(zip.names(), expected);
  // UTF-8 names on every entry, ASCII ones too; one time on all, not the time of the build.
  for (const CentralFields& f : centralFields(payload.archive)) {
    EXPECT_EQ(f.flags & zipkit::fmt::kFlagUtf8, zipkit::fmt::kFlagUtf8);
    EXPECT_EQ(f.time, mkinstaller::kEntryTime.time);
    EXPECT_EQ(f.date, mkinstaller::kEntryTime.date);
  }

  const fs::path unpacked = dir_ / "unpacked";
  for (const Text& name : expected) zip.extract(name, at(unpacked) + u"\\");
  zip.close();
  EXPECT_EQ(readAll(unpacked / "Meble.jpg"), kCover);
  EXPECT_EQ(readAll(unpacked / "Meble" / utf8Path("tekstury") / utf8Path("dąb.jpg")),
            "oak texture");
  EXPECT_EQ(readAll(unpacked / "Meble" / "dodatki.mdb"), readAll(dir_ / "dodatki.mdb"));
  EXPECT_TRUE(fs::is_directory(unpacked / "Meble" / "puste"));
}

TEST_F(BuildCommand, TheSameFolderTwiceGivesTheSameBytes) {
  ASSERT_EQ(build(makePackage("first"), "first.exe"), 0) << err_.str();
  ASSERT_EQ(build(makePackage("second"), "second.exe"), 0) << err_.str();
  EXPECT_EQ(readAll(dir_ / "first.exe"), readAll(dir_ / "second.exe"));
}

TEST_F(BuildCommand, APackageWithAnErrorWritesNothing) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& package)> spoil;
    std::string finding;
  };
  std::vector<Case> cases = {
      {"no database", [](const fs::path& p) { fs::remove(p / "Meble" / "dodatki.mdb"); },
       "error: "},
      {"database not a Jet file",
       [](const fs::path& p) { writeAll(p / "Meble" / "dodatki.mdb", "not a database"); },
       "error: Meble\\dodatki.mdb: "},
      {"cover not a JPEG", [](const fs::path& p) { writeAll(p / "Meble.jpg", "GIF89a"); },
       "error: Meble.jpg: "},
      {"cover too tall for the screen",
       [](const fs::path& p) { writeAll(p / "Meble.jpg", jpegOf(700, 900)); },
       "error: Meble.jpg: the picture is 700 x 900 pixels: on a 1280 x 720 screen the installer "
       "would size its window to 832 x 1070 pixels"},
      {"cover too narrow for the folder field",
       [](const fs::path& p) { writeAll(p / "Meble.jpg", jpegOf(640, 360)); },
       "error: Meble.jpg: the picture is 640 x 360 pixels: the installer's window would be 640 "
       "pixels wide"},
      {"second package folder",
       [](const fs::path& p) {
         fs::create_directories(p / "Drugi");
         fs::copy_file(p / "Meble" / "dodatki.mdb", p / "Drugi" / "dodatki.mdb");
       },
       "error: "},
      // A folder zipped after a test install: the install would merge the package's own file
      // as the host's previous database and lose the host's rows.
      {"the previous database of a test install",
       [](const fs::path& p) {
         fs::copy_file(p / "Meble" / "dodatki.mdb", p / "Meble" / "dodatki_old.mdb");
       },
       "error: Meble\\dodatki_old.mdb: the installer refuses the package for this entry: the "
       "installer gives its own copies of the package's database this name while it installs (a "
       "package folder zipped after a test install carries one); remove Meble\\dodatki_old.mdb "
       "from the package\n"},
      {"a stray beside the package folder",
       [](const fs::path& p) { writeAll(p / "setup.exe", "MZ"); },
       "error: setup.exe: the installer refuses the package for this entry: it lies outside the "
       "package folder Meble\\"},
  };
#ifndef _WIN32
  // Names a Windows folder cannot hold, so only a package made elsewhere has them.
  cases.push_back({"a file named like a device",
                   [](const fs::path& p) { writeAll(p / "Meble" / "aux.txt", "x"); },
                   "error: Meble\\aux.txt: the installer refuses the package for this entry: "
                   "\"aux.txt\" is a Windows device name"});
  cases.push_back({"a folder name ending with a dot",
                   [](const fs::path& p) { writeAll(p / "Meble" / "modele." / "x.3ds", "x"); },
                   "error: Meble\\modele.\\x.3ds: the installer refuses the package for this "
                   "entry: \"modele.\" ends with a dot or a blank"});
  cases.push_back({"a name Windows cannot create",
                   [](const fs::path& p) { writeAll(p / "Meble" / "a?.jpg", "x"); },
                   "error: Meble\\a?.jpg: the installer refuses the package for this entry: it "
                   "holds one of < > \" | ? *"});
#endif
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path package = makePackage("pkg" + std::to_string(n++));
    c.spoil(package);
    EXPECT_EQ(build(package, "out.exe"), 1);
    EXPECT_NE(err_.str().find(c.finding), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("no installer written"), std::string::npos) << err_.str();
    expectNothingWritten("out.exe");
  }
}

TEST_F(BuildCommand, WarningsArePrintedAndTheBuildGoesOn) {
  const fs::path package = makePackage("pkg");
  writeAll(package / "Meble.jpg", jpegOf(800, 600));
  ASSERT_EQ(build(package, "out.exe"), 0) << err_.str();
  EXPECT_NE(err_.str().find("warning: Meble.jpg: "), std::string::npos) << err_.str();
  EXPECT_TRUE(fs::exists(dir_ / "out.exe"));
}

TEST_F(BuildCommand, RefusesWrongCommandLinesAndPathsWithExitCodeOne) {
  const fs::path package = makePackage("pkg");
  const Text stub = at("stub.exe");
  struct Case {
    const char* what;
    std::vector<Text> args;
    std::string errorPart;
    const char* output;  // must not exist afterwards
  };
  const Case cases[] = {
      {"missing stub",
       {u"build", at(package), u"-o", at("out.exe"), u"--stub", at("nostub.exe")},
       "nostub.exe does not exist",
       "out.exe"},
      {"missing package folder",
       {u"build", at("nopkg"), u"-o", at("out.exe"), u"--stub", stub},
       "package folder",
       "out.exe"},
      {"output inside the package folder",
       {u"build", at(package), u"-o", at(package / "Meble" / "x.exe"), u"--stub", stub},
       "lies in the package folder",
       "pkg/Meble/x.exe"},
      {"output over the stub",
       {u"build", at(package), u"-o", at(dir_ / "." / "STUB.exe"), u"--stub", stub},
       "would replace the installer program",
       "out.exe"},
      {"output folder missing",
       {u"build", at(package), u"-o", at(dir_ / "no" / "out.exe"), u"--stub", stub},
       "out.exe",
       "no/out.exe"},
      {"no package folder",
       {u"build", u"-o", at("out.exe")},
       "missing argument PACKAGE_DIR",
       "out.exe"},
      {"no output", {u"build", at(package)}, "missing option --output", "out.exe"},
      {"two package folders",
       {u"build", at(package), at(package), u"-o", at("out.exe")},
       "unexpected argument",
       "out.exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(run(c.args), 1);
    EXPECT_NE(err_.str().find(c.errorPart), std::string::npos) << err_.str();
    expectNothingWritten(c.output);
  }
  EXPECT_EQ(readAll(dir_ / "stub.exe"), "MZ stub program");
}

TEST_F(BuildCommand, HelpDescribesTheCommand) {
  EXPECT_EQ(run({u"build", u"--help"}), 0);
  EXPECT_NE(out_.str().find("PACKAGE_DIR -o OUT.exe [--stub STUB.exe]"), std::string::npos);
  EXPECT_EQ(run({u"--help"}), 0);
  EXPECT_NE(out_.str().find("build"), std::string::npos);
}

TEST(SignableSize, EndsWhereTheCertificateTableOffsetNoLongerFits32Bits) {
  struct Case {
    uint64_t size;
    bool signable;
  };
  // The table starts at the size rounded up to 8 bytes.
  const Case cases[] = {
      {1, true},           {0xFFFFFFF8u, true}, {0xFFFFFFF9u, false}, {0xFFFFFFFFu, false},
      {1ull << 32, false}, {UINT64_MAX, false}};
  for (const auto& c : cases) EXPECT_EQ(layout::canBeSigned(c.size), c.signable) << c.size;
}

#ifndef _WIN32
// The same checks of the ZIP64 limit as zlib's own bound for raw Deflate streams (64-bit here).
TEST(Zip64Limit, AgreesWithZlibsDeflateBound) {
  z_stream zs{};
  ASSERT_EQ(deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY),
            Z_OK);
  const auto zlibNeeds = [&](uint64_t size) {
    return deflateBound(&zs, static_cast<uLong>(size)) >= 0xFFFFFFFFu;
  };
  // The first size zlib's bound no longer fits 32 bits, then its neighbours.
  uint64_t lo = 0, hi = 0xFFFFFFFFu;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    zlibNeeds(mid) ? hi = mid : lo = mid + 1;
  }
  for (const uint64_t size : {uint64_t{0}, lo - 16, lo - 7, lo - 1, lo, uint64_t{1} << 32}) {
    EXPECT_TRUE(mkinstaller::needsZip64(size) || !zlibNeeds(size)) << size;  // never too late
    EXPECT_LE(mkinstaller::needsZip64(size), zlibNeeds(size + 16)) << size;  // nor too early
  }
  deflateEnd(&zs);
}

// Lists folders backwards and records the largest read asked of any file.
class ObservedPlatform : public plat::PosixPlatform {
 public:
  Text exePath;
  size_t largestRead = 0;
  // Created files whose path ends with failingFile fail on their failingWrite-th write (0:
  // never), as on a full disk.
  std::string failingFile;
  int failingWrite = 0;

  std::vector<Text> subFolders(const Text& dir) override {
    return backwards(PosixPlatform::subFolders(dir));
  }
  std::vector<Text> filesIn(const Text& dir) override {
    return backwards(PosixPlatform::filesIn(dir));
  }
  Text executablePath() override { return exePath; }
  std::unique_ptr<plat::File> open(const Text& path, plat::OpenMode mode) override {
    const bool failing = mode == plat::OpenMode::Create && failingWrite > 0 &&
                         text::toUtf8(path).ends_with(failingFile);
    return std::make_unique<ObservedFile>(PosixPlatform::open(path, mode), *this, failing);
  }

 private:
  static std::vector<Text> backwards(std::vector<Text> names) {
    std::reverse(names.begin(), names.end());
    return names;
  }

  class ObservedFile : public plat::File {
   public:
    ObservedFile(std::unique_ptr<plat::File> real, ObservedPlatform& owner, bool failing)
        : real_(std::move(real)), owner_(owner), failing_(failing) {}
    uint64_t size() override { return real_->size(); }
    size_t readAt(uint64_t pos, void* buf, size_t n) override {
      owner_.largestRead = std::max(owner_.largestRead, n);
      return real_->readAt(pos, buf, n);
    }
    void writeAt(uint64_t pos, const void* buf, size_t n) override {
      if (failing_ && ++writes_ == owner_.failingWrite) {
        throw plat::FileError(u"Cannot write: No space left on device");
      }
      real_->writeAt(pos, buf, n);
    }
    void truncate(uint64_t size) override { real_->truncate(size); }
    void flush() override { real_->flush(); }

   private:
    std::unique_ptr<plat::File> real_;
    ObservedPlatform& owner_;
    bool failing_;
    int writes_ = 0;
  };
};

class BuildCommandObserved : public BuildCommand {
 protected:
  ObservedPlatform& observed() {
    if (!observed_) {
      auto p = std::make_unique<ObservedPlatform>();
      observed_ = p.get();
      platform_ = std::move(p);
    }
    return *observed_;
  }
  ObservedPlatform* observed_ = nullptr;
};

TEST_F(BuildCommandObserved, ListingOrderAndFileTimesDoNotChangeTheBytes) {
  ASSERT_EQ(build(makePackage("first"), "first.exe"), 0) << err_.str();
  // The same files made in another order, with other times, listed backwards.
  const fs::path second = dir_ / "second";
  fs::create_directories(second / "Meble" / "puste");
  fs::copy_file(dir_ / "dodatki.mdb", second / "Meble" / "dodatki.mdb");
  writeAll(second / "Meble" / "a.ini", "[ustawienia]");
  writeAll(second / "Meble" / utf8Path("tekstury") / utf8Path("dąb.jpg"), "oak texture");
  writeAll(second / "Meble" / "modele" / "szafa.3ds", std::string(5000, 's'));
  writeAll(second / "Meble.txt", "Meble kuchenne");
  writeAll(second / "Meble.jpg", kCover);
  for (const auto& entry : fs::recursive_directory_iterator(second)) {
    fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(900));
  }
  observed();
  ASSERT_EQ(build(second, "second.exe"), 0) << err_.str();
  EXPECT_EQ(readAll(dir_ / "first.exe"), readAll(dir_ / "second.exe"));
}

TEST_F(BuildCommandObserved, StreamsLargeFilesInBlocks) {
  const fs::path package = makePackage("pkg");
  std::string big(2 * layout::kCopyBlock + 12345, '\0');
  std::mt19937 random(7);
  for (char& c : big) c = static_cast<char>(random() % 16);  // compressible, not trivially
  writeAll(package / "Meble" / "duzy.bin", big);
  observed();
  ASSERT_EQ(build(package, "out.exe"), 0) << err_.str();
  EXPECT_LE(observed().largestRead, layout::kCopyBlock);

  writeAll(dir_ / "payload.zip", splitInstaller(readAll(dir_ / "out.exe")).archive);
  zipkit::ZipReader zip(*platform_);
  zip.open(at("payload.zip"));
  zip.extract(u"Meble\\duzy.bin", at("unpacked") + u"\\");
  zip.close();
  EXPECT_TRUE(readAll(dir_ / "unpacked" / "Meble" / "duzy.bin") == big);
}

TEST_F(BuildCommandObserved, TheDefaultStubIsTheInstallerBesideTheTool) {
  const fs::path package = makePackage("pkg");
  fs::create_directories(dir_ / "tool");
  observed().exePath = at(dir_ / "tool" / "mkinstaller");
  EXPECT_EQ(run({u"build", at(package), u"-o", at("out.exe")}), 1);
  EXPECT_NE(err_.str().find(text::toUtf8(at(dir_ / "tool")) + "/installer.exe does not exist"),
            std::string::npos)
      << err_.str();
  expectNothingWritten("out.exe");

  writeAll(dir_ / "tool" / "installer.exe", "MZ default program");
  ASSERT_EQ(run({u"build", at(package), u"-o", at("out.exe")}), 0) << err_.str();
  EXPECT_EQ(splitInstaller(readAll(dir_ / "out.exe")).stub, "MZ default program");
}

TEST_F(BuildCommandObserved, AFailedWriteLeavesNoFilesAndKeepsTheEarlierInstaller) {
  const fs::path package = makePackage("pkg");
  writeAll(dir_ / "out.exe", "the previous installer");
  struct Case {
    const char* file;
    int write;
  };
  // The temporary archive's first and a later write, then the installer's.
  for (const Case c :
       {Case{"out.exe.zip.part", 1}, Case{"out.exe.zip.part", 6}, Case{"out.exe.part", 2}}) {
    SCOPED_TRACE(std::string(c.file) + " write " + std::to_string(c.write));
    observed().failingFile = c.file;
    observed().failingWrite = c.write;
    EXPECT_EQ(build(package, "out.exe"), 1);
    EXPECT_NE(err_.str().find("No space left"), std::string::npos) << err_.str();
    EXPECT_EQ(readAll(dir_ / "out.exe"), "the previous installer");
    EXPECT_FALSE(fs::exists(dir_ / "out.exe.part"));
    EXPECT_FALSE(fs::exists(dir_ / "out.exe.zip.part"));
  }
}
#endif

}  // namespace
