// The folder dialog on the real common file dialog: the hidden controls, the starting folder,
// the folder part of the confirmed choice and cancelling. A helper thread plays the user.
#include <gtest/gtest.h>

#include <functional>

#include "target/win32/directory.h"
#include "tests/win32/temp_folder.h"

namespace {

using text::Text;
using wintest::TempFolder;
using wintest::wide;

TEST(FolderPart, EndsAtTheLastSeparatorOrDriveColon) {
  struct Case {
    Text path, folder;
  } cases[] = {{u"C:\\Nordeka\\CAD A\\*.", u"C:\\Nordeka\\CAD A\\"},
               {u"C:\\Nordeka\\CAD A\\dodatki\\x", u"C:\\Nordeka\\CAD A\\dodatki\\"},
               {u"C:\\*.", u"C:\\"},
               {u"D:plik", u"D:"},
               {u"\\\\serwer\\udział\\CAD A\\*.", u"\\\\serwer\\udział\\CAD A\\"},
               {u"plik", u""}};
  for (const auto& c : cases) {
    EXPECT_EQ(Directory::folderPart(c.path), c.folder) << text::toUtf8(c.path);
  }
}

constexpr wchar_t kTitle[] = L"Wybierz folder instalacji biblioteki";
constexpr DWORD kDeadlineMs = 30000;

// What the helper thread saw, and what it does once the dialog is ready.
struct User {
  std::function<void(HWND frame)> act;
  bool dialogSeen = false;
  bool controlsPresent = false;
  bool controlsHidden = false;
  bool openButtonVisible = false;
};

bool visible(HWND frame, int id) {
  return IsWindowVisible(GetDlgItem(frame, id));
}

bool fileControlsHidden(HWND frame) {
  for (int id :
       {Directory::cmb1, Directory::stc2, Directory::cmb13, Directory::edt1, Directory::stc3}) {
    if (visible(frame, id)) return false;
  }
  return true;
}

DWORD WINAPI playUser(void* param) {
  auto* user = static_cast<User*>(param);
  const DWORD start = GetTickCount();
  HWND frame = nullptr;
  while (GetTickCount() - start < kDeadlineMs) {
    frame = FindWindowW(L"#32770", kTitle);
    if (frame && IsWindowVisible(frame) && fileControlsHidden(frame)) break;
    Sleep(20);
  }
  if (!frame) return 0;
  user->dialogSeen = true;
  user->controlsPresent =
      GetDlgItem(frame, Directory::cmb1) && GetDlgItem(frame, Directory::stc3) &&
      (GetDlgItem(frame, Directory::cmb13) || GetDlgItem(frame, Directory::edt1));
  user->controlsHidden = fileControlsHidden(frame);
  user->openButtonVisible = visible(frame, IDOK);
  user->act(frame);
  return 0;
}

// Runs GimmeDir while the helper thread looks at the dialog and acts on it.
bool runDialog(Text& dir, User& user) {
  const HANDLE thread = CreateThread(nullptr, 0, playUser, &user, 0, nullptr);
  const bool result = Directory::GimmeDir(dir);
  WaitForSingleObject(thread, kDeadlineMs);
  CloseHandle(thread);
  return result;
}

void press(HWND frame, int id) {
  PostMessageW(frame, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(frame, id)));
}

TEST(GimmeDir, ShowsOnlyTheFolderBrowserAndReturnsTheChosenFolder) {
  TempFolder tmp;
  Text dir = tmp.dir();
  User user;
  user.act = [](HWND frame) {
    // The name box is hidden; a name typed into it stands for the user's pick in the folder.
    for (int id : {Directory::cmb13, Directory::edt1}) {
      SendMessageW(frame, CDM_SETCONTROLTEXT, id, reinterpret_cast<LPARAM>(L"wybrany"));
    }
    press(frame, IDOK);
  };
  ASSERT_TRUE(runDialog(dir, user));
  ASSERT_TRUE(user.dialogSeen);
  EXPECT_TRUE(user.controlsPresent);
  EXPECT_TRUE(user.controlsHidden);
  EXPECT_TRUE(user.openButtonVisible);
  EXPECT_TRUE(text::equalsIgnoreAsciiCase(dir, tmp.dir() + u"\\")) << text::toUtf8(dir);
}

TEST(GimmeDir, CancelLeavesTheFolderAlone) {
  TempFolder tmp;
  Text dir = tmp.dir();
  User user;
  user.act = [](HWND frame) { press(frame, IDCANCEL); };
  EXPECT_FALSE(runDialog(dir, user));
  EXPECT_TRUE(user.dialogSeen);
  EXPECT_EQ(dir, tmp.dir());
}

}  // namespace
