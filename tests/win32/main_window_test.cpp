// The installer window over its model, read from outside as a user or an accessibility tool
// would: the texts of its child windows, their places, the painted pixels, and the mouse.
#include "app/win32/main_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <functional>

#include "platform/win32/win32_platform.h"
#include "target/host_layout.h"
#include "tests/win32/temp_folder.h"

namespace {

using app::Ctl;
using app::win32::ButtonWindows;
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
    ASSERT_TRUE(SetCurrentDirectoryW(wide(tmp.dir())));  // a start folder of its own
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

  HWND installButton() const { return GetDlgItem(window->handle(), ButtonWindows::kInstallId); }
  HWND closeButton() const { return GetDlgItem(window->handle(), ButtonWindows::kCloseId); }

  // A key pressed where the focus is, as the message loop meets it; true when the window took it.
  bool key(WPARAM vk) {
    const HWND focus = GetFocus();
    const MSG msg{focus ? focus : window->handle(), WM_KEYDOWN, vk, 0, 0, {}};
    return window->translateKey(msg);
  }

  // Runs the window's messages, as its message loop does, until `done` holds; false after 30 s.
  bool pumpUntil(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > 30000) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (window->handle() && window->translateKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    return true;
  }

  // A fresh window and form, as at another start of the installer.
  void restart() {
    TearDown();
    SetUp();
  }

  // The folder field shown and Install offered, as after a start-up that found a host.
  void offerInstall() {
    model.setVisible(Ctl::Edit1, true);
    form->bnInstallSetEnable();
  }

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
  // The monitor, as the form fits and centres the window on it (96 DPI here: in pixels).
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_EQ(model.display().workArea.width, monitor.rcWork.right - monitor.rcWork.left);
  EXPECT_EQ(model.display().screen.height, monitor.rcMonitor.bottom - monitor.rcMonitor.top);
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
  EXPECT_FALSE(fs.directoryExists(form->tmpDir));  // the empty working folder is gone
}

TEST_F(MainWindowTest, ButtonsAreNamedChildWindowsEnabledWhileTheirLooksAre) {
  const HWND w = window->handle();
  for (const auto& [button, name, left] : {std::tuple{installButton(), u"Instaluj", 698},
                                           std::tuple{closeButton(), u"Zamknij", 874}}) {
    ASSERT_TRUE(button);
    EXPECT_EQ(textOf(button), name);
    wchar_t cls[32] = {};
    GetClassNameW(button, cls, 32);
    EXPECT_STREQ(cls, L"Button");
    EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const RECT r = rectIn(button, w);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, 527);
    EXPECT_EQ(r.right - r.left, 151);
    EXPECT_EQ(r.bottom - r.top, 50);
    // The mouse passes through to the pictures, which keep their own rules.
    EXPECT_EQ(SendMessageW(button, WM_NCHITTEST, 0, MAKELPARAM(r.left + 10, r.top + 10)),
              HTTRANSPARENT);
  }
  const struct {
    std::function<void()> step;
    bool installShown, installEnabled, closeEnabled;
  } steps[] = {
      {[] {}, true, false, true},  // as created: Install disabled, Close normal
      {[&] { form->bnInstallSetEnable(); }, true, true, true},
      {[&] { form->bnInstallEnter(); }, true, true, true},  // hover
      {[&] { form->bnCloseEnter(); }, true, true, true},
      {[&] { form->bnInstallSetActive(); }, true, false, true},
      {[&] { form->bnCloseSetDisable(); }, true, false, false},
      {[&] { form->SetFinish(); }, false, false, false},
      {[&] { form->bnCloseSetEnable(); }, false, false, true},
  };
  int i = 0;
  for (const auto& s : steps) {
    s.step();
    EXPECT_EQ(IsWindowVisible(installButton()) != FALSE, s.installShown) << "step " << i;
    EXPECT_EQ(IsWindowEnabled(installButton()) != FALSE, s.installEnabled) << "step " << i;
    EXPECT_EQ(IsWindowEnabled(closeButton()) != FALSE, s.closeEnabled) << "step " << i;
    ++i;
  }
  // They follow their pictures when the window shrinks.
  model.setWindowSize(666, 375);
  EXPECT_EQ(rectIn(closeButton(), w).left, 500);
  EXPECT_EQ(rectIn(closeButton(), w).top, 317);
  EXPECT_EQ(rectIn(installButton(), w).left, 324);
}

TEST_F(MainWindowTest, TabEnterAndEscReachTheButtonsAndTheFocusCueFollowsTheKeyboard) {
  offerInstall();
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == child(Ctl::Edit1); }));  // at start
  // A row along the cue's top edge on each button's face.
  auto cueRow = [&](int left) {
    std::vector<COLORREF> row;
    for (int x = left + 20; x < left + 60; ++x) row.push_back(pixelAt(x, 527 + 5));
    return row;
  };
  const auto installPlain = cueRow(698), closePlain = cueRow(874);
  SetFocus(installButton());  // focused, but not by the keyboard: no cue
  EXPECT_EQ(cueRow(698), installPlain);

  SetFocus(child(Ctl::Edit1));
  EXPECT_TRUE(key(VK_RETURN));  // Enter in the field: taken, and nothing happens
  EXPECT_EQ(GetFocus(), child(Ctl::Edit1));
  EXPECT_EQ(textOf(child(Ctl::Edit1)), u"C:\\");
  EXPECT_TRUE(key(VK_TAB));
  EXPECT_EQ(GetFocus(), installButton());
  EXPECT_NE(cueRow(698), installPlain);
  // A solid black frame, 9:1 against the orange face, not dots of the face's inverse.
  for (COLORREF c : cueRow(698)) EXPECT_TRUE(closeTo(c, 0, 0, 0));
  EXPECT_TRUE(key(VK_TAB));
  EXPECT_EQ(GetFocus(), closeButton());
  EXPECT_EQ(cueRow(698), installPlain);
  EXPECT_NE(cueRow(874), closePlain);
  EXPECT_TRUE(key(VK_TAB));
  EXPECT_EQ(GetFocus(), child(Ctl::Edit1));
  EXPECT_TRUE(model.visible(Ctl::bnInstallNormal));  // nothing was run on the way

  // Esc is Close, with its clean-up.
  EXPECT_TRUE(key(VK_ESCAPE));
  EXPECT_TRUE(form->closeRequested());
  EXPECT_EQ(window->handle(), nullptr);
  EXPECT_FALSE(fs.directoryExists(form->tmpDir));
}

// The font a control draws with, as its character height in pixels.
int fontPixels(HWND w) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), sizeof font, &font);
  return std::abs(font.lfHeight);
}

TEST_F(MainWindowTest, AMonitorOfAnotherDpiScalesTheWindowItsTextAndItsMouse) {
  const HWND w = window->handle();
  offerInstall();
  EXPECT_EQ(fontPixels(child(Ctl::Edit1)), 11);
  EXPECT_EQ(fontPixels(child(Ctl::InfoLabel)), 12);
  model.setWindowPos(20, 10);

  // Moved to a monitor of 144 DPI: the system suggests the place and size there.
  RECT suggested{30, 15, 30 + 1560, 15 + 878};
  SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT outer{};
  GetWindowRect(w, &outer);
  EXPECT_EQ(outer.right - outer.left, 1560);
  EXPECT_EQ(outer.bottom - outer.top, 878);
  EXPECT_EQ(outer.left, 30);
  // The model keeps its logical figures.
  EXPECT_EQ(model.window(), (app::Rect{20, 10, 1040, 585}));
  EXPECT_EQ(fontPixels(child(Ctl::Edit1)), 16);
  EXPECT_EQ(fontPixels(child(Ctl::StaticText1)), 16);
  EXPECT_EQ(fontPixels(child(Ctl::gauge)), 16);
  EXPECT_EQ(fontPixels(child(Ctl::InfoLabel)), 18);
  const RECT edit = rectIn(child(Ctl::Edit1), w);
  EXPECT_EQ(edit.left, 158);  // 105 and 408 logical
  EXPECT_EQ(edit.top, 612);
  EXPECT_EQ(rectIn(installButton(), w).left, 1047);  // 698 logical
  // The caption is as wide as its text in the new font, and never narrower than designed.
  const RECT caption = rectIn(child(Ctl::StaticText1), w);
  const HDC dc = GetDC(child(Ctl::StaticText1));
  SelectObject(dc,
               reinterpret_cast<HFONT>(SendMessageW(child(Ctl::StaticText1), WM_GETFONT, 0, 0)));
  SIZE text{};
  const std::wstring captionText = wide(model.staticText1());
  GetTextExtentPoint32W(dc, captionText.c_str(), static_cast<int>(captionText.size()), &text);
  ReleaseDC(child(Ctl::StaticText1), dc);
  EXPECT_GE(caption.right - caption.left, text.cx);
  EXPECT_GE(caption.right - caption.left, 345);

  // The mouse's pixels are the monitor's: the middle of Install there is its middle.
  mouse(WM_MOUSEMOVE, (698 + 75) * 3 / 2, (527 + 25) * 3 / 2);
  EXPECT_TRUE(model.visible(Ctl::bnInstallHover));
  mouse(WM_MOUSEMOVE, 5, 5);
  EXPECT_TRUE(model.visible(Ctl::bnInstallNormal));
}

// What a screen reader reads of a window's client area through MSAA.
struct Accessible {
  Text name;
  long role = 0;
  Text value;
};

Accessible accessibleOf(HWND w) {
  Accessible out;
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(w, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&object)))) {
    return out;
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  auto take = [](BSTR s) {
    Text t = s ? Text(reinterpret_cast<const char16_t*>(s), SysStringLen(s)) : Text();
    SysFreeString(s);
    return t;
  };
  BSTR s = nullptr;
  if (object->get_accName(self, &s) == S_OK) out.name = take(s);
  if (object->get_accValue(self, &s) == S_OK) out.value = take(s);
  VARIANT role;
  VariantInit(&role);
  if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) out.role = role.lVal;
  object->Release();
  return out;
}

// The system's own objects for plain controls: they answer only when the interface asked for is
// the real IAccessible, so a wrong identifier (an import thunk linked in its place) shows here.
TEST_F(MainWindowTest, ScreenReadersReadThePlainControls) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  EXPECT_EQ(accessibleOf(child(Ctl::Edit1)).role, ROLE_SYSTEM_TEXT);
  // Windows reads these as static text and push button, Wine as client areas; either way they
  // answer with a role and their names.
  const Accessible caption = accessibleOf(child(Ctl::StaticText1));
  EXPECT_NE(caption.role, 0);
  EXPECT_FALSE(model.staticText1().empty());
  EXPECT_EQ(caption.name, model.staticText1());
  const Accessible close = accessibleOf(closeButton());
  EXPECT_NE(close.role, 0);
  EXPECT_EQ(text::toUtf8(close.name), "Zamknij");
  CoUninitialize();
}

TEST_F(MainWindowTest, ScreenReadersFindTheProgressTheFinishMessageAndThePackage) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  model.setVisible(Ctl::gauge, true);
  model.setGauge(42);
  const Accessible gauge = accessibleOf(child(Ctl::gauge));
  EXPECT_EQ(text::toUtf8(gauge.name), "Postęp instalacji");
  EXPECT_EQ(gauge.role, ROLE_SYSTEM_PROGRESSBAR);
  EXPECT_EQ(text::toUtf8(gauge.value), "42%");

  // The finish picture's headline as text, with the focus on Close.
  EXPECT_FALSE(IsWindowVisible(child(Ctl::FinishText)));
  form->SetFinish();
  EXPECT_TRUE(IsWindowVisible(child(Ctl::FinishText)));
  EXPECT_EQ(textOf(child(Ctl::FinishText)), u"Instalacja zakończona pomyślnie.");
  SetForegroundWindow(window->handle());
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == closeButton(); }));

  model.setCaption(u"Instalator bibliotek CAD – Meble");
  EXPECT_EQ(textOf(window->handle()), u"Instalator bibliotek CAD – Meble");
  CoUninitialize();
}

TEST_F(MainWindowTest, CloseMessagesDoWhatCloseDoes) {
  for (const auto& [msg, wp] :
       {std::pair{WM_CLOSE, WPARAM{0}}, std::pair{WM_SYSCOMMAND, WPARAM{SC_CLOSE}}}) {
    restart();
    SendMessageW(window->handle(), msg, wp, 0);
    EXPECT_TRUE(form->closeRequested()) << msg;
    EXPECT_EQ(window->handle(), nullptr) << msg;
    EXPECT_FALSE(fs.directoryExists(form->tmpDir)) << msg;
  }
}

TEST_F(MainWindowTest, InstallRunsOffTheWindowsThreadWhichIgnoresCloseMeanwhile) {
  offerInstall();
  form->log_level = app::DEBUG;
  SetFocus(installButton());
  // Enter on Install: the click's work starts on its own thread, and its first change to the
  // window waits until the window's thread takes its messages again.
  EXPECT_TRUE(key(VK_RETURN));
  ASSERT_TRUE(window->installing());
  EXPECT_EQ(textOf(child(Ctl::InfoLabel)), u"");
  SendMessageW(window->handle(), WM_CLOSE, 0, 0);
  SendMessageW(window->handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(key(VK_ESCAPE));
  SendMessageW(window->handle(), WM_COMMAND, MAKEWPARAM(ButtonWindows::kCloseId, BN_CLICKED),
               reinterpret_cast<LPARAM>(closeButton()));
  EXPECT_FALSE(form->closeRequested());
  ASSERT_TRUE(IsWindow(window->handle()));

  // The folder C:\ holds no host: the click says so, in the window, on the window's thread.
  ASSERT_TRUE(pumpUntil([&] { return !window->installing(); }));
  EXPECT_EQ(textOf(child(Ctl::InfoLabel)), target::kNoInstallationMessage);
  // Activated as a click, without the mouse's enter and leave.
  for (const auto& line : model.memoLines()) EXPECT_EQ(line.find(u"bnInstall"), Text::npos);
  EXPECT_FALSE(form->closeRequested());
  SendMessageW(window->handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form->closeRequested());
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
  const Text cover = form->tmpDir + u"cover.jpg";
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
