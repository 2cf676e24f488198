// The Win32 platform against the real (Wine) file system, process list and GDI+. The file and
// folder cases it shares with the in-memory platform are in tests/support/file_cases.cpp.
#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/gdiplus_include.h"
#include "tests/support/english_words.h"
#include "tests/support/file_cases.h"
#include "tests/win32/temp_folder.h"

namespace {

using plat::OpenMode;
using text::Text;
using wintest::TempFolder;
using wintest::wide;

void writeFile(plat::Platform& fs, const Text& path, const std::string& content) {
  auto f = fs.open(path, OpenMode::Create);
  f->writeAt(0, content.data(), content.size());
}

class Win32Place : public filecases::Place {
 public:
  plat::Platform& platform() override { return fs_; }
  Text dir() const override { return tmp_.dir(); }
  void setReadOnly(const Text& path, bool on) override { set(path, FILE_ATTRIBUTE_READONLY, on); }
  void setHidden(const Text& path, bool on) override { set(path, FILE_ATTRIBUTE_HIDDEN, on); }
  void setSystem(const Text& path, bool on) override { set(path, FILE_ATTRIBUTE_SYSTEM, on); }
  bool readOnlyKeepsWritersOut() override {
    const Text probe = at(u"read-only probe");
    writeFile(fs_, probe, "x");
    setReadOnly(probe, true);
    const HANDLE h = CreateFileW(wide(probe), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    setReadOnly(probe, false);
    DeleteFileW(wide(probe));
    return h == INVALID_HANDLE_VALUE;
  }

 private:
  static void set(const Text& path, DWORD attribute, bool on) {
    const DWORD now = GetFileAttributesW(wide(path));
    ASSERT_NE(now, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(SetFileAttributesW(wide(path), on ? now | attribute : now & ~attribute));
  }

  plat::win32::Win32Platform fs_;
  TempFolder tmp_;
};

class Win32PlatformTest : public ::testing::Test {
 protected:
  plat::win32::Win32Platform fs;
  TempFolder tmp;
};

TEST_F(Win32PlatformTest, LinkToAFolderCountsWhileItsTargetExists) {
  ASSERT_TRUE(fs.createDirectory(tmp.at(u"cel")));
  // Some systems (Wine 8) report success without making the link.
  if (!CreateSymbolicLinkW(
          wide(tmp.at(u"link")), wide(tmp.at(u"cel")),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      GetFileAttributesW(wide(tmp.at(u"link"))) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no folder links on this system";
  }
  EXPECT_TRUE(fs.directoryExists(tmp.at(u"link")));
  EXPECT_TRUE(fs.directoryExists(tmp.at(u"link\\")));
  ASSERT_TRUE(fs.removeDirectory(tmp.at(u"cel")));
  EXPECT_FALSE(fs.directoryExists(tmp.at(u"link")));  // a dangling link is no folder
  RemoveDirectoryW(wide(tmp.at(u"link")));
}

TEST_F(Win32PlatformTest, OpenErrorsNameTheFileAndTheCause) {
  struct Case {
    Text path;
    OpenMode mode;
  } cases[] = {{tmp.at(u"brak.zip"), OpenMode::Read},
               {tmp.at(u"brak.zip"), OpenMode::ReadWrite},
               {tmp.at(u"brak\\nowy.zip"), OpenMode::Create},
               {tmp.dir(), OpenMode::Read}};  // a folder is no file
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.path));
    try {
      fs.open(c.path, c.mode);
      ADD_FAILURE() << "opened";
    } catch (const plat::FileError& e) {
      const Text& m = e.message();
      const size_t at = m.find(u"`" + c.path + u"`. ");
      ASSERT_NE(at, Text::npos) << e.what();
      EXPECT_GT(m.size(), at + c.path.size() + 4) << "no system reason: " << e.what();
      EXPECT_TRUE(apptest::englishWords(m).empty()) << e.what();
    }
  }
}

TEST_F(Win32PlatformTest, ForceDirectoriesMakesEveryMissingLevel) {
  fs.forceDirectories(tmp.at(u"a\\b\\c\\"));
  EXPECT_TRUE(fs.directoryExists(tmp.at(u"a\\b\\c")));
  EXPECT_NO_THROW(fs.forceDirectories(tmp.at(u"a\\b")));  // already there

  writeFile(fs, tmp.at(u"plik"), "x");
  try {
    fs.forceDirectories(tmp.at(u"plik\\pod\\dalej"));
    ADD_FAILURE() << "made a folder below a file";
  } catch (const plat::FileError& e) {  // names the level that could not be made
    EXPECT_NE(e.message().find(u"`" + tmp.at(u"plik") + u"`. "), Text::npos) << e.what();
  }
}

TEST_F(Win32PlatformTest, ProcessListHoldsThisProcess) {
  const Text exe = fs.executablePath();
  const Text name = exe.substr(exe.find_last_of(u'\\') + 1);
  const auto list = fs.processes();
  const auto self = std::find_if(list.begin(), list.end(), [&](const plat::ProcessEntry& p) {
    return p.pid == fs.currentProcessId();
  });
  ASSERT_NE(self, list.end());
  EXPECT_TRUE(text::equalsIgnoreAsciiCase(self->exeName, name)) << text::toUtf8(self->exeName);
  EXPECT_GT(list.size(), 1u);
}

TEST_F(Win32PlatformTest, MachineAndProcessFacts) {
  const auto drives = fs.logicalDrives();
  ASSERT_FALSE(drives.empty());
  for (const auto& d : drives) {
    ASSERT_EQ(d.size(), 3u) << text::toUtf8(d);
    EXPECT_EQ(d.substr(1), u":\\");
  }
  EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end()));
  EXPECT_NE(std::find(drives.begin(), drives.end(), u"C:\\"), drives.end());

  EXPECT_TRUE(fs.fileExists(fs.executablePath()));
  ASSERT_TRUE(SetCurrentDirectoryW(wide(tmp.dir())));
  EXPECT_TRUE(text::equalsIgnoreAsciiCase(fs.currentDirectory(), tmp.dir()));
  SetCurrentDirectoryW(L"C:\\");
  const Text temp = fs.tempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(fs.directoryExists(temp));
}

// Writes a picture of the given size with the GDI+ encoder of the given MIME type.
void writePicture(const Text& path, const wchar_t* mime, int width, int height) {
  UINT count = 0, bytes = 0;
  Gdiplus::GetImageEncodersSize(&count, &bytes);
  std::vector<char> buf(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
  Gdiplus::GetImageEncoders(count, bytes, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (std::wcscmp(codecs[i].MimeType, mime) == 0) {
      Gdiplus::Bitmap picture(width, height, PixelFormat24bppRGB);
      ASSERT_EQ(picture.Save(wide(path), &codecs[i].Clsid, nullptr), Gdiplus::Ok);
      return;
    }
  }
  FAIL() << "no encoder";
}

TEST_F(Win32PlatformTest, PictureSizeReadsJpegsAndRejectsTheRest) {
  writePicture(tmp.at(u"cover.jpg"), L"image/jpeg", 37, 21);
  const plat::Size size = fs.pictureSize(tmp.at(u"cover.jpg"));
  EXPECT_EQ(size.width, 37);
  EXPECT_EQ(size.height, 21);
  EXPECT_TRUE(fs.deleteFile(tmp.at(u"cover.jpg")));  // the size query holds no lock

  writePicture(tmp.at(u"cover.png"), L"image/png", 5, 5);
  writeFile(fs, tmp.at(u"tekst.jpg"), "not a picture");
  for (Text name : {u"cover.png", u"tekst.jpg", u"brak.jpg"}) {
    SCOPED_TRACE(text::toUtf8(name));
    try {
      fs.pictureSize(tmp.at(name));
      ADD_FAILURE() << "accepted";
    } catch (const text::Error& e) {
      EXPECT_NE(e.message().find(tmp.at(name)), Text::npos) << e.what();
    }
  }
}

// The arguments after the program name, split as Windows splits a command line. The test starts
// its own program again with a known command line; that copy checks what it reads.
TEST(CommandLine, ArgumentsAreTheWordsAfterTheProgram) {
  constexpr wchar_t kChild[] = L"W32TEST_COMMAND_LINE_CHILD";
  if (GetEnvironmentVariableW(kChild, nullptr, 0) > 0) {
    plat::win32::Win32Platform fs;
    EXPECT_EQ(fs.commandLineArgs(), (std::vector<Text>{u"--gtest_filter=CommandLine.*", u"/DEBUG",
                                                       u"C:\\Nordeka\\CAD A\\", u"", u"zażółć"}));
    return;
  }
  plat::win32::Win32Platform fs;
  std::wstring line =
      L"\"" + std::wstring(wide(fs.executablePath())) +
      L"\" --gtest_filter=CommandLine.* /DEBUG \"C:\\Nordeka\\CAD A\\\\\" \"\" zażółć";
  SetEnvironmentVariableW(kChild, L"1");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL started =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableW(kChild, nullptr);
  ASSERT_TRUE(started);
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(code, 0u) << "the started copy read other arguments";
}

}  // namespace

std::unique_ptr<filecases::Place> makePlace() {
  return std::make_unique<Win32Place>();
}
