// mkinstaller verify: installers made here from a small package, whole and damaged in the ways
// a download or a careless tool damages them, read back through the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "archive/installer_layout.h"
#include "archive/zip_writer.h"
#include "tests/accessorydb/accessory_db.h"
#include "tests/mkinstaller/disk_files.h"
#include "tests/mkinstaller/pattern_file.h"
#include "tests/support/memory_file.h"
#include "tests/support/pe_program.h"
#include "tests/support/test_pictures.h"
#include "tools/mkinstaller/command.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "platform/posix_platform.h"
#endif

namespace {

using testfiles::pathText;
using testfiles::readAll;
using testfiles::utf8;
using testfiles::writeAll;

namespace fs = std::filesystem;
using text::Text;

#ifdef _WIN32
using HostPlatform = plat::win32::Win32Platform;
#else
using HostPlatform = plat::PosixPlatform;
#endif

// The host platform with its temporary folder moved into the test's own folder, so that a test
// sees every scratch folder the command leaves behind.
class TempInPlatform : public HostPlatform {
 public:
  explicit TempInPlatform(Text temp) : temp_(std::move(temp)) {}
  Text tempFolder() override { return temp_; }

 private:
  Text temp_;
};

// What layout::writeInstaller makes of a program and an archive.
std::string installerOf(const std::string& program, const std::string& archive) {
  testsupport::MemoryFile programFile(program);
  testsupport::MemoryFile archiveFile(archive);
  testsupport::MemoryFile out;
  layout::writeInstaller(programFile, archiveFile, out);
  return out.bytes();
}

using testpe::peProgram;

// installer with the byte at the middle of entry name's stored data inverted.
std::string withDataByteFlipped(std::string installer, const std::string& name) {
  const size_t header = installer.find(name) - 30;  // the local header comes first
  const auto le = [&](size_t at, int bytes) {
    size_t v = 0;
    for (int i = bytes; i-- > 0;) v = v << 8 | static_cast<uint8_t>(installer[at + i]);
    return v;
  };
  const size_t data = header + 30 + le(header + 26, 2) + le(header + 28, 2);
  const size_t compressed = le(header + 18, 4);
  installer[data + compressed / 2] ^= 0xFF;
  return installer;
}

std::string withTrailer(std::string installer, const std::string& trailer) {
  return installer.replace(installer.size() - trailer.size(), trailer.size(), trailer);
}

class VerifyCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testfiles::newTestFolder("mkinstaller-verify");
    fs::create_directories(dir_ / "temp");
    platform_ = std::make_unique<TempInPlatform>(pathText(dir_ / "temp" / ""));
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A package archive as build makes it: cover, a file, and the database with rows last.
  std::string packageArchive(const std::vector<std::pair<Text, std::string>>& extra = {}) {
    accdbtest::Content content;
    content.producers.push_back(accdbtest::producer(Text(u"Meblar"), Text(u"Meblar sp. z o.o.")));
    content.producers.push_back(accdbtest::producer(Text(u"Stolarz"), Text(u"Stolarz s.c.")));
    for (int32_t id = 1; id <= 3; ++id) {
      content.items.push_back(accdbtest::item(id, u"Szafa " + text::num(id)));
    }
    const Text database = pathText(dir_ / "dodatki.mdb");
    accdbtest::writeDatabase(*platform_, database, content);
    const std::vector<uint8_t> cover = fake::jpegHeader(1040, 585);
    const Text archive = pathText(dir_ / "package.zip");
    {
      zipkit::ZipWriter zip(*platform_, archive, {.fixedTime = zipkit::DosTime{}});
      zip.addFile(u"Szafy.jpg", std::string(cover.begin(), cover.end()));
      zip.addFile(u"Szafy\\modele\\szafa.txt", std::string(5000, 's') + "koniec");
      for (const auto& [name, data] : extra) zip.addFile(name, data);
      zip.addFile(u"Szafy\\dodatki.mdb", readAll(dir_ / "dodatki.mdb"));
      zip.finish();
    }
    return readAll(dir_ / "package.zip");
  }

  int verify(const std::string& installer) {
    writeAll(dir_ / "setup.exe", installer);
    return run({u"verify", pathText(dir_ / "setup.exe")});
  }

  int run(const std::vector<Text>& args) {
    out_.str({});
    err_.str({});
    mkinstaller::Io io{out_, err_};
    return mkinstaller::runTool(*platform_, args, io);
  }

  void expectNoScratchLeft() {
    EXPECT_TRUE(fs::is_empty(dir_ / "temp"))
        << fs::begin(fs::directory_iterator(dir_ / "temp"))->path();
  }

  fs::path dir_;
  std::unique_ptr<plat::Platform> platform_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(VerifyCommand, AGoodInstallerIsReportedWithItsPackage) {
  const std::string stub = "MZ stub program";
  const std::string archive = packageArchive();
  const std::string installer = installerOf(stub, archive);
  ASSERT_EQ(verify(installer), 0) << out_.str() << err_.str();
  const std::string lines[] = {
      "installer: " + utf8(dir_ / "setup.exe") + ", " + std::to_string(installer.size()) +
          " bytes\n",
      "signed: no",
      "archive: " + std::to_string(archive.size() + 3) + " bytes at offset " +
          std::to_string(stub.size()) + "\n",
      "package: Szafy\n",
      "entries: 3, " + std::to_string(17 + 5006 + fs::file_size(dir_ / "dodatki.mdb")) +
          " bytes unpacked\n",
      "cover: Szafy.jpg, 17 bytes\n",
      "database: Szafy\\dodatki.mdb, info_producent 2 rows, Dodatki 3 rows\n",
  };
  for (const std::string& line : lines) {
    EXPECT_NE(out_.str().find(line), std::string::npos) << line << "\n---\n" << out_.str();
  }
  EXPECT_TRUE(out_.str().ends_with("\nOK: the installer will install package Szafy\n"))
      << out_.str();
  EXPECT_EQ(out_.str().find("error:"), std::string::npos);
  EXPECT_EQ(err_.str(), "");
  expectNoScratchLeft();
}

TEST_F(VerifyCommand, FindsWhatWouldMakeTheInstallerFail) {
  const std::string stub(700, 'p');
  const std::string good = installerOf(stub, packageArchive());
  const auto archiveOf = [&](const std::vector<Text>& names) {
    zipkit::ZipWriter zip(*platform_, pathText(dir_ / "other.zip"));
    for (const Text& name : names) zip.addFile(name, "data");
    zip.finish();
    return readAll(dir_ / "other.zip");
  };
  const std::string nearMissArchive = archiveOf({u"Szafy.jpg", u"Szafy\\Dodatki.mdb"});
  const std::string testInstallLeftover =
      archiveOf({u"Szafy.jpg", u"Szafy\\dodatki_old.mdb", u"Szafy\\dodatki.mdb"});
  const std::string archive = packageArchive();
  struct Case {
    const char* what;
    std::string installer;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"download cut short",
       good.substr(0, good.size() - 1000),
       {"error: " + utf8(dir_ / "setup.exe") + ": no package: the trailer \""}},
      {"archive cut short inside the installer",
       installerOf(stub, archive.substr(0, archive.size() / 2)),
       {"the archive at offset 700 is no ZIP archive"}},
      {"byte flipped in an entry's data",
       withDataByteFlipped(good, "Szafy\\modele\\szafa.txt"),
       {"error: Szafy\\modele\\szafa.txt: cannot be unpacked", "Szafy\\modele\\szafa.txt`"}},
      {"byte flipped in the database",
       withDataByteFlipped(good, "Szafy\\dodatki.mdb"),
       {"error: Szafy\\dodatki.mdb: cannot be unpacked"}},
      {"blank trailer",
       withTrailer(good, std::string(20, ' ')),
       {"no package: the trailer \"                    \" at byte "}},
      {"trailer of zero",
       withTrailer(good, layout::formatTrailer(1).replace(19, 1, "0")),
       {"no package: the trailer names archive offset 0, which means no archive"}},
      {"offset at the trailer",
       withTrailer(good, layout::formatTrailer(good.size() - 20)),
       {"no package: the trailer names archive offset " + std::to_string(good.size() - 20) +
        ", but the archive has to start before the trailer"}},
      {"offset inside the program",
       withTrailer(good, layout::formatTrailer(300)),
       {"the archive at offset 300 cannot be read: ",
        "(the trailer's offset 300 does not point at the start of a ZIP archive)"}},
      {"archive without a package",
       installerOf(stub, nearMissArchive),
       {"package: none found", "error: Szafy\\Dodatki.mdb: not taken for the package database"}},
      {"the previous database of a test install",
       installerOf(stub, testInstallLeftover),
       {"error: Szafy\\dodatki_old.mdb: the installer refuses the package for this entry",
        "remove Szafy\\dodatki_old.mdb from the package",
        "error: the installer refuses this package and touches nothing on the host; it says: "
        "Pakiet odrzucony: plik o nazwie zastrzeżonej dla instalatora: `Szafy\\dodatki_old.mdb`",
        "entries: 3, 0 bytes unpacked"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(verify(c.installer), 1);
    const std::string out = out_.str();
    for (const std::string& part : c.expected) {
      EXPECT_NE(out.find(part), std::string::npos) << part << "\n---\n" << out;
    }
    EXPECT_NE(out.find("\nFAILED: the installer would not install "), std::string::npos) << out;
    EXPECT_EQ(out.find("OK:"), std::string::npos) << out;
    expectNoScratchLeft();
  }
}

TEST_F(VerifyCommand, ASignedInstallerIsReadBeforeItsCertificateTable) {
  const std::string archive = packageArchive();
  const std::string certificates(1500, 'C');
  constexpr size_t kProgram = 1024;
  constexpr size_t kPadding = 5;  // the signer aligns the table to 8 bytes
  const size_t table = installerOf(std::string(kProgram, 'p'), archive).size() + kPadding;
  const std::string installer = installerOf(peProgram(kProgram, static_cast<uint32_t>(table),
                                                      static_cast<uint32_t>(certificates.size())),
                                            archive) +
                                std::string(kPadding, '\0') + certificates;
  ASSERT_EQ(verify(installer), 0) << out_.str();
  EXPECT_NE(
      out_.str().find(
          "signed: yes (a certificate table follows the trailer: 1505 bytes with its alignment)"),
      std::string::npos)
      << out_.str();
  EXPECT_NE(
      out_.str().find("archive: " + std::to_string(archive.size() + 3) + " bytes at offset 1024\n"),
      std::string::npos)
      << out_.str();
  EXPECT_TRUE(out_.str().ends_with("OK: the installer will install package Szafy\n"));
  expectNoScratchLeft();
}

TEST_F(VerifyCommand, AnInstallerWithoutTheMarkBeforeItsTrailerPassesWithAWarning) {
  const std::string withMark = installerOf("MZ", packageArchive());
  const std::string withoutMark =
      withMark.substr(0, withMark.size() - 23) + withMark.substr(withMark.size() - 20);
  ASSERT_EQ(verify(withoutMark), 0) << out_.str();
  EXPECT_NE(out_.str().find("warning: " + utf8(dir_ / "setup.exe") +
                            ": the bytes EF BB BF are missing before the trailer"),
            std::string::npos)
      << out_.str();
  expectNoScratchLeft();
}

TEST_F(VerifyCommand, ReportsCommandLineAndFileErrors) {
  struct Case {
    const char* what;
    std::vector<Text> args;
    int exitCode;
    std::string outPart;
    std::string errPart;
  };
  const Case cases[] = {
      {"no installer", {u"verify"}, 1, "", "missing argument INSTALLER.exe"},
      {"two installers", {u"verify", u"a.exe", u"b.exe"}, 1, "", "unexpected argument b.exe"},
      {"unknown option", {u"verify", u"--fast", u"a.exe"}, 1, "", "unknown option --fast"},
      {"help", {u"verify", u"--help"}, 0, "usage: mkinstaller verify INSTALLER.exe", ""},
      {"missing installer",
       {u"verify", pathText(dir_ / "none.exe")},
       1,
       ": cannot check the installer: ",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(run(c.args), c.exitCode);
    EXPECT_NE(out_.str().find(c.outPart), std::string::npos) << out_.str();
    EXPECT_NE(err_.str().find(c.errPart), std::string::npos) << err_.str();
    expectNoScratchLeft();
  }
}

}  // namespace
