// Window creation, the log sink, the payload step, the start-up sequence's failure branches and
// the clean-up on Close.
#include <gtest/gtest.h>

#include "archive/payload_trailer.h"
#include "archive/zip_writer.h"
#include "tests/support/form_fixture.h"
#include "tests/support/pe_program.h"

namespace apptest {
namespace {

using app::Ctl;

// ---------------------------------------------------------------- command line and log level

struct SwitchCase {
  std::vector<Text> args;
  bool debug;
};

class DebugSwitchTest : public FormTest, public testing::WithParamInterface<SwitchCase> {};

TEST_P(DebugSwitchTest, FirstArgumentDecides) {
  fs.args = GetParam().args;
  form.FormCreate();
  EXPECT_EQ(form.log_level, GetParam().debug ? app::DEBUG : app::IMPORTANT);
  EXPECT_EQ(window.visible(Ctl::infoBox), GetParam().debug);
  if (GetParam().debug) {
    ASSERT_FALSE(memo().empty());
    EXPECT_EQ(memo().front(), u"Ustawiono parametr DEBUG");
  } else {
    EXPECT_TRUE(memo().empty()) << testing::PrintToString(utf8(memo()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, DebugSwitchTest,
    testing::Values(SwitchCase{{u"/DEBUG"}, true}, SwitchCase{{u"Debug"}, true},
                    SwitchCase{{u"/d"}, true}, SwitchCase{{u"D"}, true},
                    SwitchCase{{u"debug", u"more"}, true}, SwitchCase{{u"-d"}, false},
                    SwitchCase{{u"x", u"/d"}, false}, SwitchCase{{}, false},
                    SwitchCase{{u"/debugx"}, false}, SwitchCase{{u"/d "}, false}));

TEST_F(FormTest, NormalLevelDropsDebugLinesAndShowsImportantOnes) {
  form.FormCreate();
  form.info(app::DEBUG, u"trace");
  EXPECT_TRUE(memo().empty());
  EXPECT_EQ(window.infoLabel(), u"");
  form.info(app::IMPORTANT, u"first");
  form.info(app::IMPORTANT, u"second");
  EXPECT_EQ(window.infoLabel(), u"second");
  EXPECT_EQ(memo(), (std::vector<Text>{u"first", u"second"}));
  EXPECT_FALSE(window.visible(Ctl::infoBox));
}

// ---------------------------------------------------------------- window creation

TEST_F(FormTest, CreationLogsItsStepsInOrder) {
  fs.args = {u"/debug"};
  setScreen(1920, 1080);
  form.FormCreate();
  EXPECT_EQ(utf8(memo()), utf8({u"Ustawiono parametr DEBUG", u"Blokujemy klawisz INSTALL",
                                u"Sprawdzamy folder instalacji : C:\\dodatki",
                                u"Błędny folder instalacji : C:\\dodatki", u"Inicjalizacja.",
                                u"Screen [1920 x 1080 ]", u"Centrujemy  [ 440 - 247 ]"}));
  EXPECT_EQ(window.edit1(), u"C:\\");
  EXPECT_EQ(form.strFolder, u"C:\\");
  EXPECT_EQ(form.tmpDir, u"C:\\Users\\user\\AppData\\Local\\Temp\\instalator-4242-0\\");
  EXPECT_EQ(form.sourceZip, form.tmpDir + u"packages.zip");
  EXPECT_TRUE(fs.directoryExists(form.tmpDir));
  EXPECT_TRUE(window.visible(Ctl::bnInstallDisable));
  EXPECT_FALSE(window.visible(Ctl::gauge));
  EXPECT_FALSE(window.visible(Ctl::gaugeBG));
  EXPECT_TRUE(form.timerEnabled());
}

// The working folder is the run's own under the user's temporary folder, as "/S"'s is: a start
// folder nobody may write (a network share, a disc) does not matter, and a folder an earlier run
// left is not taken.
TEST_F(FormTest, WorkingFolderIsTheRunsOwnUnderTheTemporaryFolder) {
  fs.mkdirs(fs.tempDir + u"instalator-4242-0");
  fs.shouldFail = [&](fake::Op op, const Text& path) {
    return op == fake::Op::CreateDir && path.rfind(fs.cwd, 0) == 0;
  };
  form.FormCreate();
  EXPECT_EQ(form.tmpDir, fs.tempDir + u"instalator-4242-1\\");
  EXPECT_TRUE(fs.directoryExists(form.tmpDir));
}

// A working folder that cannot be made is said, and nothing is offered: Close only.
TEST_F(FormTest, WorkingFolderThatCannotBeMadeIsReported) {
  fs.shouldFail = [](fake::Op op, const Text&) { return op == fake::Op::CreateDir; };
  form.FormCreate();
  fs.shouldFail = nullptr;
  EXPECT_EQ(window.infoLabel(), u"Nie można utworzyć folderu roboczego: " + fs.tempDir +
                                    u"instalator-4242-0\\. " + fake::kInjectedReason);
  form.Timer1Timer();
  EXPECT_TRUE(window.visible(Ctl::bnInstallDisable));
  EXPECT_TRUE(window.visible(Ctl::bnCloseNormal));
  EXPECT_FALSE(window.visible(Ctl::ActivityIndicator));
  EXPECT_EQ(form.exitCode(), app::ExitCode::WorkFolderFailed);
  form.CloseClick();
  EXPECT_TRUE(form.closeRequested());
}

TEST_F(FormTest, CentringTruncatesTowardZero) {
  form.log_level = app::DEBUG;
  setScreen(1037, 582);
  form.CenterForm();
  EXPECT_EQ(window.window().left, -1);
  EXPECT_EQ(window.window().top, -1);
  EXPECT_EQ(memo().back(), u"Centrujemy  [ -1 - -1 ]");
}

// ---------------------------------------------------------------- payload

std::string installerBytes(const std::string& program, const std::string& archive) {
  std::string trailer = std::to_string(program.size());
  trailer.insert(0, layout::kTrailerSize - trailer.size(), ' ');
  return program + archive + "\xEF\xBB\xBF" + trailer;
}

class PayloadTest : public FormTest {
 protected:
  void SetUp() override {
    fs.args = {u"/debug"};
    form.FormCreate();
  }
  Text zip() const { return form.sourceZip; }
  // The bytes of the archive the session reads, wherever it lies.
  std::string archiveBytes() {
    auto file = zipkit::openArchive(fs, form.packageArchive);
    std::string bytes(static_cast<size_t>(file->size()), '\0');
    bytes.resize(file->readAt(0, bytes.data(), bytes.size()));
    return bytes;
  }
};

// The archive is read where it lies: nothing of it is written to the disk.
TEST_F(PayloadTest, ReadsTheArchiveWithTheByteOrderMarkWhereItLies) {
  const std::string program(5000, 'P');
  const std::string archive = "PK\x05\x06 archive bytes";
  fs.writeFile(fs.exePath, installerBytes(program, archive));
  form.extractPayload();
  EXPECT_EQ(form.packageArchive, zipkit::ArchiveSource(fs.exePath, 5000, archive.size() + 3));
  EXPECT_EQ(archiveBytes(), archive + "\xEF\xBB\xBF");
  EXPECT_EQ(fs.filesIn(form.tmpDir), std::vector<Text>{});
  EXPECT_FALSE(fs.fileExists(form.tmpDir + u"zip-offset.txt"));
  const auto lines = memoFrom(u"Plik EXE z archiwum: " + fs.exePath);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], u"FileSize: " + text::num(program.size() + archive.size() + 23));
  EXPECT_EQ(lines[2], u"Offset EXE: 5000");
}

TEST_F(PayloadTest, ArchiveLargerThanOneCopyBlockIsReadWhole) {
  std::string archive(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < archive.size(); ++i) archive[i] = static_cast<char>(i * 7 + i / 4096);
  fs.writeFile(fs.exePath, installerBytes("MZ", archive));
  form.extractPayload();
  EXPECT_EQ(archiveBytes(), archive + "\xEF\xBB\xBF");
}

TEST_F(PayloadTest, AnOldArchiveInTheWorkingFolderIsNotRead) {
  fs.writeFile(zip(), std::string(100000, 'o'));
  fs.writeFile(fs.exePath, installerBytes("MZ", "short"));
  form.extractPayload();
  EXPECT_EQ(archiveBytes(), "short\xEF\xBB\xBF");
  EXPECT_EQ(fs.readFile(zip()), std::string(100000, 'o'));
}

struct NoPayloadCase {
  const char* name;
  std::string exe;
  bool reported;  // "Brak zawartego pakietu!" in the status label
};

class NoPayloadTest : public PayloadTest, public testing::WithParamInterface<NoPayloadCase> {};

TEST_P(NoPayloadTest, FindsNoArchiveInTheProgram) {
  fs.writeFile(fs.exePath, GetParam().exe);
  form.extractPayload();
  EXPECT_EQ(form.packageArchive, zipkit::ArchiveSource(zip()));
  EXPECT_FALSE(fs.fileExists(zip()));
  EXPECT_FALSE(fs.fileExists(form.tmpDir + u"zip-offset.txt"));
  EXPECT_EQ(window.infoLabel(), GetParam().reported ? u"Brak zawartego pakietu!" : u"");
}

INSTANTIATE_TEST_SUITE_P(
    Trailers, NoPayloadTest,
    testing::Values(
        NoPayloadCase{"plain_program", std::string(3000, 'x'), true},
        NoPayloadCase{"shorter_than_trailer", "MZ", true},
        NoPayloadCase{"zero", std::string(100, 'x') + std::string(19, ' ') + "0", false},
        NoPayloadCase{"negative", std::string(100, 'x') + std::string(17, ' ') + "-50", false},
        // An offset at or past the trailer would copy nothing sensible.
        NoPayloadCase{"offset_at_trailer", std::string(100, 'x') + std::string(17, ' ') + "100",
                      true},
        NoPayloadCase{"offset_past_end", std::string(100, 'x') + std::string(16, ' ') + "9999",
                      true}),
    [](const auto& info) { return std::string(info.param.name); });

using testpe::peProgram;

struct SignedCase {
  const char* name;
  uint16_t magic;
  size_t padding;
};

class SignedPayloadTest : public PayloadTest, public testing::WithParamInterface<SignedCase> {};

TEST_P(SignedPayloadTest, TrailerIsReadBeforeTheCertificateTable) {
  const std::string archive = "PK archive of a signed installer";
  std::string unsignedExe = installerBytes(std::string(1024, 'p'), archive);
  const std::string certificates(1234, 'C');
  const auto table = static_cast<uint32_t>(unsignedExe.size() + GetParam().padding);
  std::string exe =
      peProgram(1024, table, static_cast<uint32_t>(certificates.size()), GetParam().magic);
  exe += unsignedExe.substr(1024) + std::string(GetParam().padding, '\0') + certificates;
  fs.writeFile(fs.exePath, exe);
  form.extractPayload();
  EXPECT_EQ(archiveBytes(), archive + "\xEF\xBB\xBF");
  EXPECT_TRUE(memoHas(u"Offset EXE: 1024"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, SignedPayloadTest,
                         testing::Values(SignedCase{"pe32_no_padding", testpe::kPe32, 0},
                                         SignedCase{"pe32_padding", testpe::kPe32, 5},
                                         SignedCase{"pe32plus_padding", testpe::kPe32Plus, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PayloadTest, CertificateTableNotAtTheEndIsIgnored) {
  const std::string archive = "PK plain";
  std::string exe = installerBytes(peProgram(1024, 200, 100), archive);
  fs.writeFile(fs.exePath, exe);
  form.extractPayload();
  EXPECT_EQ(archiveBytes(), archive + "\xEF\xBB\xBF");
}

TEST_F(PayloadTest, MissingWorkingFolderIsAnUncaughtFailure) {
  fs.writeFile(fs.exePath, installerBytes("MZ", "archive"));
  ASSERT_TRUE(fs.removeDirectory(form.tmpDir));
  EXPECT_THROW(form.extractPayload(), plat::FileError);
  EXPECT_FALSE(fs.fileExists(form.tmpDir + u"zip-offset.txt"));
}

// ---------------------------------------------------------------- start-up sequence

TEST_F(FormTest, StartWithoutAnyPackageReportsAndFinishes) {
  fs.writeFile(fs.exePath, std::string(3000, 'x'));
  form.FormCreate();
  form.Timer1Timer();
  EXPECT_FALSE(form.timerEnabled());
  EXPECT_EQ(utf8(memo()), utf8({u"Brak zawartego pakietu!", u"Brak danych pakietu !",
                                u"Brak pakietu do instalacji !"}));
  EXPECT_EQ(window.infoLabel(), u"Brak pakietu do instalacji !");
  EXPECT_EQ(window.caption(), u"Instalator bibliotek CAD");  // no package to name
  EXPECT_FALSE(form.formCover);
  EXPECT_FALSE(window.visible(Ctl::ActivityIndicator));
  EXPECT_TRUE(window.visible(Ctl::bnCloseNormal));
  EXPECT_TRUE(window.visible(Ctl::bnInstallDisable));
}

// A start-up with the installer of a package of these entries, whose refusal stays the label's
// last word: no cover is taken, no host looked for, no Install offered.
void expectRefusedAtStart(Form& t, const std::vector<std::pair<Text, std::string>>& entries,
                          const Text& refusal) {
  t.fs.mkdirs(u"C:\\scratch");
  {
    zipkit::ZipWriter zip(t.fs, u"C:\\scratch\\p.zip");
    for (const auto& [name, bytes] : entries) zip.addFile(name, bytes);
    zip.finish();
  }
  t.fs.writeFile(t.fs.exePath, installerBytes("MZ", t.fs.readFile(u"C:\\scratch\\p.zip")));
  t.form.FormCreate();
  t.form.Timer1Timer();
  EXPECT_EQ(utf8(t.memo()), utf8({refusal}));
  EXPECT_EQ(t.window.infoLabel(), refusal);
  EXPECT_FALSE(t.form.formCover);
  EXPECT_FALSE(t.form.pack);
  EXPECT_FALSE(t.fs.fileExists(t.form.tmpDir + u"cover.jpg"));
  EXPECT_FALSE(t.fs.fileExists(t.form.tmpDir + u"P.jpg"));
  EXPECT_TRUE(t.window.visible(Ctl::bnInstallDisable));
  EXPECT_TRUE(t.window.visible(Ctl::bnCloseNormal));
}

TEST_F(FormTest, StartWithARefusedPackageShowsWhyAndOffersNoInstall) {
  expectRefusedAtStart(
      *this, {{u"P.jpg", "cover"}, {u"P\\DODATK~1.MDB", "old rows"}, {u"P\\dodatki.mdb", "rows"}},
      u"Pakiet odrzucony: krótka nazwa systemu Windows (z ~ i cyfrą), która może wskazać inny "
      u"plik: `P\\DODATK~1.MDB`");
}

// The working folder's drive has a cluster less than the cover takes.
TEST_F(FormTest, StartWithACoverWithoutRoomShowsWhyAndOffersNoInstall) {
  fs.clusterBytes = 4096;
  fs.freeBytes = 4095;
  expectRefusedAtStart(*this, {{u"P.jpg", "cover"}, {u"P\\dodatki.mdb", "rows"}},
                       u"Za mało miejsca na dysku: okładka pakietu w folderze roboczym "
                       u"C:\\Users\\user\\AppData\\Local\\Temp\\instalator-4242-0\\ zajmie 4096 "
                       u"bajtów, a wolne jest 4095 bajtów.");
}

TEST_F(FormTest, UnreadableExecutableEndsTheSequenceWithTheBusyIndicatorOn) {
  form.FormCreate();
  fs.exePath = u"C:\\nowhere\\instalator.exe";
  EXPECT_THROW(form.Timer1Timer(), plat::FileError);
  EXPECT_TRUE(window.visible(Ctl::ActivityIndicator));
  EXPECT_TRUE(window.visible(Ctl::bnCloseNormal));
}

// ---------------------------------------------------------------- Close

struct CloseCase {
  const char* name;
  bool debug;
  bool nodelete;
  bool otherFile;
  bool filesDeleted;
  bool folderRemoved;
};

class CloseTest : public FormTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, CleansTheWorkingFolder) {
  const auto& c = GetParam();
  if (c.debug) fs.args = {u"/d"};
  form.FormCreate();
  fs.writeFile(form.tmpDir + u"cover.jpg", "jpg");
  fs.writeFile(form.sourceZip, "zip");
  if (c.nodelete) fs.writeFile(form.tmpDir + u"NODELETE", "");
  if (c.otherFile) fs.writeFile(form.tmpDir + u"zip-offset.txt", "left over");
  form.CloseClick();
  EXPECT_TRUE(form.closeRequested());
  EXPECT_EQ(fs.fileExists(form.tmpDir + u"cover.jpg"), !c.filesDeleted);
  EXPECT_EQ(fs.fileExists(form.sourceZip), !c.filesDeleted);
  EXPECT_EQ(fs.directoryExists(form.tmpDir), !c.folderRemoved);
}

INSTANTIATE_TEST_SUITE_P(Cases, CloseTest,
                         testing::Values(CloseCase{"normal", false, false, false, true, true},
                                         CloseCase{"debug_level", true, false, false, false, false},
                                         CloseCase{"nodelete", false, true, false, false, false},
                                         CloseCase{"other_file", false, false, true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The package search as the window runs it: Install disabled while it runs, the working folder
// made when it is missing, and pack set whenever the archive is there.
TEST_F(FormTest, PackageSearchSetsPackAndMakesTheWorkingFolder) {
  form.FormCreate();
  ASSERT_TRUE(fs.removeDirectory(form.tmpDir));
  form.pack = true;
  EXPECT_FALSE(form.searchPackages());
  EXPECT_FALSE(form.pack);
  EXPECT_TRUE(fs.directoryExists(form.tmpDir));
  EXPECT_TRUE(window.visible(app::Ctl::bnInstallDisable));

  fs.writeFile(form.sourceZip, "not a zip at all");
  form.packageName = u"Poprzedni";
  EXPECT_TRUE(form.searchPackages());
  EXPECT_TRUE(form.pack);
  EXPECT_EQ(form.packageName, u"Poprzedni") << "no package found: the name stays";
}

// The window is going away and nobody sees the memo, but a log file keeps why a file stayed.
TEST_F(FormTest, CloseRecordsTheFilesItCouldNotDeleteWithTheirReason) {
  form.FormCreate();
  std::vector<Text> recorded;
  form.setRecord([&](logs::Level, const Text& line) { recorded.push_back(line); });
  fs.writeFile(form.tmpDir + u"cover.jpg", "jpg");
  fs.writeFile(form.sourceZip, "zip");
  fs.holdOpen(form.sourceZip);
  form.CloseClick();
  EXPECT_TRUE(form.closeRequested());
  EXPECT_FALSE(fs.fileExists(form.tmpDir + u"cover.jpg"));
  EXPECT_EQ(recorded, std::vector<Text>{u"Nie można usunąć pliku " + form.sourceZip +
                                        u". Plik jest używany przez inny program."});
  EXPECT_TRUE(memo().empty()) << "the normal level shows no debug line";
}

TEST_F(FormTest, CloseWithoutWorkingFolderStillCloses) {
  form.FormCreate();
  ASSERT_TRUE(fs.removeDirectory(form.tmpDir));
  form.CloseClick();
  EXPECT_TRUE(form.closeRequested());
}

}  // namespace
}  // namespace apptest
