// The installer window over its model, read from outside as a user or an accessibility tool
// would: the texts of its child windows, their places, the painted pixels, and the mouse.
#include "app/win32/main_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"
#include "tests/win32/temp_folder.h"

namespace {

using app::Ctl;
using app::win32::MainWindow;
using text::Text;
using wintest::TempFolder;
using wintest::wide;

Text textOf(HWND w) {
  wchar_t buf[4096] = {};
  const LRESULT n = SendMessageW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf));
  return Text(reinterpret_cast<const char16_t*>(buf), static_cast<size_t>(n));
}

RECT rectIn(HWND w, HWND parent) {
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetCurrentDirectoryW(wide(tmp.dir())));  // the working folder goes there
    form = std::make_unique<app::TForm1>(fs, model);
    window = std::make_unique<MainWindow>(fs, model, *form);
    window->create();
    // The start-up sequence is not under test here.
    KillTimer(window->handle(), MainWindow::kTimer1);
    changes = 0;
    model.onEdit1Change = [this] { ++changes; };
  }
  void TearDown() override {
    window.reset();
    form.reset();
    SetCurrentDirectoryW(L"C:\\");
  }

  HWND child(Ctl c) const { return GetDlgItem(window->handle(), MainWindow::controlId(c)); }

  // The colour on screen at a client point of the window, once it has painted.
  COLORREF pixelAt(int x, int y) const {
    RedrawWindow(window->handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    POINT p{x, y};
    ClientToScreen(window->handle(), &p);
    const HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
  }

  void mouse(UINT msg, int x, int y) { SendMessageW(window->handle(), msg, 0, MAKELPARAM(x, y)); }

  TempFolder tmp;
  plat::win32::Win32Platform fs;
  app::WindowModel model;
  std::unique_ptr<app::TForm1> form;
  std::unique_ptr<MainWindow> window;
  int changes = 0;
};

bool closeTo(COLORREF c, int r, int g, int b) {
  return std::abs(GetRValue(c) - r) <= 6 && std::abs(GetGValue(c) - g) <= 6 &&
         std::abs(GetBValue(c) - b) <= 6;
}

TEST_F(MainWindowTest, TextControlsCarryTheModelsTexts) {
  const HWND w = window->handle();
  EXPECT_EQ(textOf(w), u"Instalator bibliotek CAD");
  EXPECT_EQ(textOf(child(Ctl::StaticText1)), u"Miejsce instalacji pakietu, zmień jeśli konieczne.");
  EXPECT_EQ(textOf(child(Ctl::Edit1)), u"C:\\");  // set by the creation handler
  // The grey hint needs the common controls 6 that the manifest asks for.
  wchar_t hint[64] = {};
  EXPECT_TRUE(SendMessageW(child(Ctl::Edit1), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(hint), 64));
  EXPECT_STREQ(hint, L"Miejsce instalacji oprogramowania CAD");

  model.setInfoLabel(u"Brak pakietu do instalacji !");
  EXPECT_EQ(textOf(child(Ctl::InfoLabel)), u"Brak pakietu do instalacji !");
  const RECT shortText = rectIn(child(Ctl::InfoLabel), w);
  model.setInfoLabel(u"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
  const RECT longText = rectIn(child(Ctl::InfoLabel), w);
  EXPECT_EQ(longText.left, 105);
  EXPECT_EQ(longText.top, 367);
  EXPECT_GT(longText.right - longText.left, shortText.right - shortText.left);  // sized to its text

  model.appendMemo(u"Inicjalizacja.");
  model.appendMemo(u"Screen [1024 x 768 ]");
  EXPECT_EQ(textOf(child(Ctl::infoBox)), u"Inicjalizacja.\r\nScreen [1024 x 768 ]");

  model.setGauge(42);
  EXPECT_EQ(textOf(child(Ctl::gauge)), u"42%");
}

TEST_F(MainWindowTest, ChildWindowsFollowVisibilityAndAnchors) {
  const HWND w = window->handle();
  EXPECT_FALSE(IsWindowVisible(child(Ctl::Edit1)));
  model.setVisible(Ctl::Edit1, true);
  model.setVisible(Ctl::StaticText1, true);
  EXPECT_TRUE(IsWindowVisible(child(Ctl::Edit1)));
  EXPECT_TRUE(IsWindowVisible(child(Ctl::StaticText1)));

  model.setWindowPos(7, 9);
  model.setWindowSize(666, 375);
  RECT outer{};
  GetWindowRect(w, &outer);
  EXPECT_EQ(outer.left, 7);
  EXPECT_EQ(outer.top, 9);
  EXPECT_EQ(outer.right - outer.left, 666);
  EXPECT_EQ(outer.bottom - outer.top, 375);
  const RECT edit = rectIn(child(Ctl::Edit1), w);  // left, right, bottom: shrinks with the window
  EXPECT_EQ(edit.left, 105);
  EXPECT_EQ(edit.top, 408 - 210);
  EXPECT_EQ(edit.right - edit.left, 9);
  const RECT gauge = rectIn(child(Ctl::gauge), w);  // left, top: stays
  EXPECT_EQ(gauge.top, 354);
  EXPECT_EQ(gauge.right - gauge.left, 1040);
}

TEST_F(MainWindowTest, FolderFieldFiresItsChangeOnceWhoeverChangesIt) {
  const HWND edit = child(Ctl::Edit1);
  model.setVisible(Ctl::Edit1, true);
  // Typing.
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"D:\\")) SendMessageW(edit, WM_CHAR, c, 0);
  EXPECT_EQ(model.edit1(), u"D:\\");
  EXPECT_EQ(changes, 3);  // one per keystroke
  // Assigned by the installer: shown, and the change runs once, not echoed back.
  model.setEdit1(u"C:\\Nordeka\\CAD A\\");
  EXPECT_EQ(textOf(edit), u"C:\\Nordeka\\CAD A\\");
  EXPECT_EQ(changes, 4);
  model.setEdit1(u"C:\\Nordeka\\CAD A\\");  // the same text: no change
  EXPECT_EQ(changes, 4);
}

TEST_F(MainWindowTest, PicturesAndProgressBarArePaintedInTheirLooks) {
  const int bx = 698 + 75, by = 527 + 8;  // inside the button face, above its word
  EXPECT_TRUE(closeTo(pixelAt(bx, by), 0xDB, 0xDB, 0xDB));  // Install, disabled look
  form->bnInstallSetEnable();
  EXPECT_TRUE(closeTo(pixelAt(bx, by), 0xF7, 0x94, 0x1D));

  model.setVisible(Ctl::gauge, true);
  model.setGauge(10);
  EXPECT_TRUE(closeTo(pixelAt(50, 360), 0xF7, 0x94, 0x1D));  // the bar
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  EXPECT_TRUE(closeTo(pixelAt(900, 360), GetRValue(window), GetGValue(window), GetBValue(window)));
}

TEST_F(MainWindowTest, ImageButtonsAnswerTheMouse) {
  const int closeX = 874 + 75, installX = 698 + 75, y = 527 + 25;
  mouse(WM_MOUSEMOVE, closeX, y);
  EXPECT_TRUE(model.visible(Ctl::bnCloseHover));
  EXPECT_FALSE(model.visible(Ctl::bnCloseNormal));
  mouse(WM_MOUSEMOVE, 10, 10);
  EXPECT_TRUE(model.visible(Ctl::bnCloseNormal));  // left the hover look

  // The disabled Install button does nothing.
  mouse(WM_MOUSEMOVE, installX, y);
  mouse(WM_LBUTTONDOWN, installX, y);
  mouse(WM_LBUTTONUP, installX, y);
  EXPECT_TRUE(model.visible(Ctl::bnInstallDisable));
  EXPECT_FALSE(form->closeRequested());

  // A click on Close cleans up and closes the window.
  mouse(WM_MOUSEMOVE, closeX, y);
  mouse(WM_LBUTTONDOWN, closeX, y);
  mouse(WM_LBUTTONUP, closeX, y);
  EXPECT_TRUE(form->closeRequested());
  EXPECT_EQ(window->handle(), nullptr);
  EXPECT_FALSE(fs.directoryExists(tmp.at(u"tmp")));  // the empty working folder is gone
}

// Plays the user in front of the default error report: reads its text and presses OK.
struct ErrorBoxReader {
  Text text;
  bool seen = false;

  static DWORD WINAPI run(void* param) {
    auto* self = static_cast<ErrorBoxReader*>(param);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
      const HWND box = FindWindowW(L"#32770", L"Instalator pakietów CAD");
      if (box && IsWindowVisible(box)) {
        for (HWND c = FindWindowExW(box, nullptr, L"Static", nullptr); c;
             c = FindWindowExW(box, c, L"Static", nullptr)) {
          if (const Text t = textOf(c); !t.empty()) self->text = t;
        }
        self->seen = true;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return 0;
      }
      Sleep(20);
    }
    return 0;
  }
};

TEST_F(MainWindowTest, AnErrorEscapingAHandlerIsReportedAndTheWindowStays) {
  // A cover that is no picture makes the start-up sequence fail where nothing catches it.
  const Text cover = tmp.at(u"tmp\\cover.jpg");
  {
    auto f = fs.open(cover, plat::OpenMode::Create);
    f->writeAt(0, "not a picture", 13);
  }
  ErrorBoxReader reader;
  const HANDLE thread = CreateThread(nullptr, 0, ErrorBoxReader::run, &reader, 0, nullptr);
  SetTimer(window->handle(), MainWindow::kTimer1, 10, nullptr);
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  CloseHandle(thread);
  ASSERT_TRUE(reader.seen);
  EXPECT_EQ(reader.text, u"Nieprawidłowy plik JPEG: " + cover);
  EXPECT_TRUE(IsWindow(window->handle()));
  EXPECT_FALSE(form->formCover);
  EXPECT_TRUE(model.visible(Ctl::ActivityIndicator));  // the sequence ended at the failure
}

}  // namespace
