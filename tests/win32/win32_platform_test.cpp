// The Win32 platform against the real (Wine) file system, process list and GDI+.
#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/gdiplus_include.h"
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

std::string readFile(plat::Platform& fs, const Text& path) {
  auto f = fs.open(path, OpenMode::Read);
  std::string s(static_cast<size_t>(f->size()), '\0');
  s.resize(f->readAt(0, s.data(), s.size()));
  return s;
}

class Win32PlatformTest : public ::testing::Test {
 protected:
  plat::win32::Win32Platform fs;
  TempFolder tmp;
};

TEST_F(Win32PlatformTest, ExistenceTellsFilesFromFolders) {
  writeFile(fs, tmp.at(u"plik.txt"), "x");
  ASSERT_TRUE(fs.createDirectory(tmp.at(u"folder")));
  struct Case {
    Text name;
    bool file, folder;
  } cases[] = {{u"plik.txt", true, false},
               {u"PLIK.TXT", true, false},  // names ignore letter case
               {u"folder", false, true},
               {u"folder\\", false, true},
               {u"brak", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.name));
    EXPECT_EQ(fs.fileExists(tmp.at(c.name)), c.file);
    EXPECT_EQ(fs.directoryExists(tmp.at(c.name)), c.folder);
  }
}

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

TEST_F(Win32PlatformTest, MoveFailsOnExistingTargetAndKeepsBoth) {
  writeFile(fs, tmp.at(u"a.mdb"), "old");
  writeFile(fs, tmp.at(u"b.mdb"), "new");
  EXPECT_FALSE(fs.moveFile(tmp.at(u"a.mdb"), tmp.at(u"b.mdb")));
  EXPECT_EQ(readFile(fs, tmp.at(u"a.mdb")), "old");
  EXPECT_EQ(readFile(fs, tmp.at(u"b.mdb")), "new");
  EXPECT_TRUE(fs.moveFile(tmp.at(u"a.mdb"), tmp.at(u"c.mdb")));
  EXPECT_FALSE(fs.fileExists(tmp.at(u"a.mdb")));
  EXPECT_EQ(readFile(fs, tmp.at(u"c.mdb")), "old");
}

// A database held open by another program must not be renamed or deleted under it.
TEST_F(Win32PlatformTest, FileHeldOpenCannotBeRenamedOrDeleted) {
  for (OpenMode mode : {OpenMode::Read, OpenMode::ReadWrite, OpenMode::Create}) {
    SCOPED_TRACE(static_cast<int>(mode));
    const Text path = tmp.at(u"dodatki.mdb");
    writeFile(fs, path, "data");
    {
      auto held = fs.open(path, mode);
      EXPECT_FALSE(fs.moveFile(path, tmp.at(u"dodatki_old.mdb")));
      EXPECT_FALSE(fs.deleteFile(path));
      EXPECT_TRUE(fs.fileExists(path));
    }
    EXPECT_TRUE(fs.moveFile(path, tmp.at(u"dodatki_old.mdb")));
    EXPECT_TRUE(fs.deleteFile(tmp.at(u"dodatki_old.mdb")));
  }
}

// A reader lets others read but never write; a writer lets others read, so a second reader,
// who would not share writing, is refused.
TEST_F(Win32PlatformTest, OpenModesShareReadingOnly) {
  const Text path = tmp.at(u"shared.bin");
  writeFile(fs, path, "abc");
  struct Case {
    OpenMode first, second;
    bool secondOpens;
  } cases[] = {{OpenMode::Read, OpenMode::Read, true},
               {OpenMode::Read, OpenMode::ReadWrite, false},
               {OpenMode::Read, OpenMode::Create, false},
               {OpenMode::ReadWrite, OpenMode::Read, false},
               {OpenMode::ReadWrite, OpenMode::ReadWrite, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.first)) + " then " +
                 std::to_string(static_cast<int>(c.second)));
    auto first = fs.open(path, c.first);
    if (c.secondOpens) {
      EXPECT_NO_THROW(fs.open(path, c.second));
    } else {
      EXPECT_THROW(fs.open(path, c.second), plat::FileError);
    }
  }
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
      const size_t at = m.find(u"\"" + c.path + u"\". ");
      ASSERT_NE(at, Text::npos) << e.what();
      EXPECT_GT(m.size(), at + c.path.size() + 4) << "no system reason: " << e.what();
    }
  }
}

TEST_F(Win32PlatformTest, ReadsWritesAndResizesAtPositions) {
  const Text path = tmp.at(u"data.bin");
  writeFile(fs, path, "0123456789");
  {
    auto f = fs.open(path, OpenMode::Create);  // truncates
    EXPECT_EQ(f->size(), 0u);
    f->writeAt(4, "abcd", 4);  // beyond the end: the gap is zeros
    EXPECT_EQ(f->size(), 8u);
    char buf[16] = {};
    EXPECT_EQ(f->readAt(2, buf, sizeof buf), 6u);  // short only at the end
    EXPECT_EQ(std::memcmp(buf, "\0\0abcd", 6), 0);
    EXPECT_EQ(f->readAt(8, buf, 4), 0u);
    f->truncate(5);
    EXPECT_EQ(f->size(), 5u);
  }
  {
    auto f = fs.open(path, OpenMode::ReadWrite);
    f->writeAt(0, "Z", 1);
    f->flush();
  }
  EXPECT_EQ(readFile(fs, path), std::string("Z\0\0\0a", 5));
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
    EXPECT_NE(e.message().find(u"\"" + tmp.at(u"plik") + u"\". "), Text::npos) << e.what();
  }
}

TEST_F(Win32PlatformTest, SubFoldersAndFilesAreListedApart) {
  for (Text name : {u"CAD A", u"ukryty", u"systemowy"}) {
    ASSERT_TRUE(fs.createDirectory(tmp.at(name)));
  }
  writeFile(fs, tmp.at(u"CAD plik"), "x");
  SetFileAttributesW(wide(tmp.at(u"ukryty")), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(wide(tmp.at(u"systemowy")), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
  for (const Text& dir : {tmp.dir(), tmp.dir() + u"\\"}) {
    auto names = fs.subFolders(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<Text>{u"CAD A", u"systemowy", u"ukryty"}));
    EXPECT_EQ(fs.filesIn(dir), std::vector<Text>{u"CAD plik"});
  }
  EXPECT_TRUE(fs.subFolders(tmp.at(u"brak")).empty());
  EXPECT_TRUE(fs.filesIn(tmp.at(u"brak")).empty());
  SetFileAttributesW(wide(tmp.at(u"ukryty")), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW(wide(tmp.at(u"systemowy")), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32PlatformTest, EmptyFolderTestAndRemoval) {
  const Text dir = tmp.at(u"tmp");
  ASSERT_TRUE(fs.createDirectory(dir));
  EXPECT_FALSE(fs.createDirectory(dir));  // one level, once
  EXPECT_TRUE(fs.isDirectoryEmpty(dir));
  writeFile(fs, dir + u"\\NODELETE", "");
  SetFileAttributesW(wide(dir + u"\\NODELETE"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(fs.isDirectoryEmpty(dir));  // a hidden file counts
  EXPECT_FALSE(fs.removeDirectory(dir));
  SetFileAttributesW(wide(dir + u"\\NODELETE"), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(fs.deleteFile(dir + u"\\NODELETE"));
  EXPECT_TRUE(fs.removeDirectory(dir));
  EXPECT_FALSE(fs.isDirectoryEmpty(dir));  // a missing folder is not an empty one
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

  const plat::Size screen = fs.screenSize();
  EXPECT_GT(screen.width, 0);
  EXPECT_GT(screen.height, 0);

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
