#include "app/win32/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "app/win32/dpi.h"
#include "app/win32/error_report.h"
#include "app/win32/gauge_control.h"
#include "resources/resource_ids.h"

namespace app::win32 {

namespace {

constexpr wchar_t kClass[] = L"InstallerMainWindow";
constexpr UINT_PTR kBusyTimer = MainWindow::kTimer1 + 1;
constexpr int kTimer1Ms = 1000;
constexpr UINT kEdit1Clicked = WM_APP + 1;
constexpr COLORREF kLabelRed = RGB(0xFF, 0x00, 0x00);
// The focus cue: a solid frame this far inside the button's picture, on its face, this thick
// (logical pixels). Black stands out 9:1 from the orange face and 14:1 from the grey one.
constexpr int kFocusCueInset = 5;
constexpr int kFocusCueWidth = 2;
constexpr COLORREF kFocusCueColour = RGB(0, 0, 0);
// The text controls' fonts, in points: 11 and 12 pixels at 96 DPI.
constexpr int kFontPoints = 8;
constexpr int kLabelFontPoints = 9;
// Room around the caption's text inside its white box (logical pixels).
constexpr int kCaptionPadding = 2;

const wchar_t* wide(const Text& t) {
  return reinterpret_cast<const wchar_t*>(t.c_str());
}

Text windowText(HWND w) {
  std::wstring buf(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
  const int n = GetWindowTextW(w, buf.data(), static_cast<int>(buf.size()));
  return Text(reinterpret_cast<const char16_t*>(buf.data()), static_cast<size_t>(n));
}

HFONT tahoma(int pixels, int weight) {
  return CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

constexpr Ctl kChildControls[] = {Ctl::InfoLabel, Ctl::gauge,       Ctl::infoBox,
                                  Ctl::Edit1,     Ctl::StaticText1, Ctl::FinishText};

bool isChildControl(Ctl c) {
  for (Ctl child : kChildControls) {
    if (c == child) return true;
  }
  return false;
}

// Pictures under the transparent labels show through them.
bool liesUnderLabel(Ctl c) {
  return c == Ctl::BG || c == Ctl::BGfinish;
}

// A text's width in the window's font, and the font's line height.
SIZE textSize(HWND w, HFONT font, const Text& t) {
  const HDC dc = GetDC(w);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide(t), static_cast<int>(t.size()), &size);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  return {size.cx, tm.tmHeight};
}

LPCWSTR cursorOf(Pointer p) {
  switch (p) {
    case Pointer::Hand:
      return IDC_HAND;
    case Pointer::NotAllowed:
      return IDC_NO;
    case Pointer::Arrow:
      break;
  }
  return IDC_ARROW;
}

}  // namespace

MainWindow::MainWindow(plat::Platform& fs, WindowModel& model, TForm1& form)
    : platform_(fs), model_(model), form_(form), commands_(form, windowThread_) {
  white_ = CreateSolidBrush(RGB(255, 255, 255));
}

MainWindow::~MainWindow() {
  model_.onChange = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);
  DeleteObject(font_);
  DeleteObject(labelFont_);
  DeleteObject(white_);
}

template <typename Handler>
void MainWindow::call(Handler&& handler) {
  guarded(hwnd_, handler);
  if (form_.closeRequested() && hwnd_) DestroyWindow(hwnd_);
}

void MainWindow::create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_INSTALLER));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = kClass;
  RegisterClassExW(&wc);

  // The window first appears on the primary monitor, at its DPI.
  const HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  applyDpi(monitorDpi(primary));
  model_.setDisplay(displayOf(primary, scale_));

  // Borderless, with a taskbar button of its own.
  const Rect& r = model_.window();
  hwnd_ =
      CreateWindowExW(WS_EX_APPWINDOW, kClass, wide(model_.caption()), WS_POPUP | WS_CLIPCHILDREN,
                      scale_.px(r.left), scale_.px(r.top), scale_.px(r.width), scale_.px(r.height),
                      nullptr, nullptr, instance, this);
  if (!hwnd_) throw text::Error(u"Nie można utworzyć okna instalatora.");
  windowThread_.attach(hwnd_);
  createControls();
  model_.onChange = [this](Change what, Ctl c) { onModelChange(what, c); };
  SetTimer(hwnd_, kTimer1, kTimer1Ms, nullptr);
  startBusyAnimation(model_.visible(Ctl::ActivityIndicator));
  guarded(hwnd_, [this] { form_.FormCreate(); });
  placeWindow();
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

void MainWindow::createControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  auto adopt = [&](Ctl c, HWND w) {
    if (!w) throw text::Error(u"Nie można utworzyć kontrolek okna instalatora.");
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(c)), FALSE);
    children_[static_cast<int>(c)] = w;
  };
  auto make = [&](Ctl c, DWORD exStyle, const wchar_t* cls, DWORD style, const wchar_t* text) {
    adopt(c, CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(c))),
                             instance, nullptr));
  };
  // In stacking order from the bottom; each new one is put above the ones before.
  make(Ctl::InfoLabel, 0, L"STATIC", SS_LEFT | SS_NOPREFIX, L"");
  adopt(Ctl::gauge, createGauge(hwnd_, controlId(Ctl::gauge), font_));
  make(Ctl::infoBox, WS_EX_CLIENTEDGE, L"EDIT",
       ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, L"");
  make(Ctl::Edit1, WS_EX_CLIENTEDGE, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, L"");
  make(Ctl::StaticText1, 0, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, wide(model_.staticText1()));
  make(Ctl::FinishText, 0, L"STATIC", SS_LEFT | SS_NOPREFIX,
       reinterpret_cast<const wchar_t*>(WindowModel::kFinishText));
  for (Ctl c : kChildControls) {
    SetWindowPos(children_[static_cast<int>(c)], HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (Ctl c : {Ctl::InfoLabel, Ctl::FinishText}) {
    SetWindowSubclass(children_[static_cast<int>(c)], labelProc, 0,
                      reinterpret_cast<DWORD_PTR>(this));
  }
  SetWindowSubclass(children_[static_cast<int>(Ctl::Edit1)], edit1Proc, 0,
                    reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(children_[static_cast<int>(Ctl::Edit1)], EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(L"Miejsce instalacji oprogramowania CAD"));
  SetWindowTextW(children_[static_cast<int>(Ctl::InfoLabel)], wide(model_.infoLabel()));
  syncEdit1();
  syncMemo();
  for (Ctl c : kChildControls) placeChild(c);
  buttons_.create(hwnd_, font_);
  buttons_.sync(model_, scale_);
}

void MainWindow::applyDpi(int dpi) {
  scale_ = Scale(dpi);
  const HFONT oldFont = font_;
  const HFONT oldLabelFont = labelFont_;
  font_ = tahoma(scale_.fontPixels(kFontPoints), FW_NORMAL);
  labelFont_ = tahoma(scale_.fontPixels(kLabelFontPoints), FW_BOLD);
  if (hwnd_) {
    for (Ctl c : kChildControls) {
      SendMessageW(children_[static_cast<int>(c)], WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(c)),
                   FALSE);
    }
    buttons_.setFont(font_);
  }
  DeleteObject(oldFont);
  DeleteObject(oldLabelFont);
}

// The window moved to a monitor of another DPI (or the monitor's DPI changed): it takes the new
// scale and the place the system suggests, and the form sees the new monitor.
void MainWindow::dpiChanged(int dpi, const RECT& suggested) {
  applyDpi(dpi);
  model_.setDisplay(displayOf(MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST), scale_));
  model_.setWindowPos(scale_.logical(suggested.left), scale_.logical(suggested.top));
}

void MainWindow::placeChild(Ctl c) {
  const HWND w = children_[static_cast<int>(c)];
  const ControlState& s = model_.control(c);
  const RECT r = scale_.px(s.rect);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  if (c == Ctl::InfoLabel) {  // one line, as wide and as high as its text
    const SIZE text = textSize(w, labelFont_, model_.infoLabel());
    width = text.cx;
    height = text.cy;
  } else if (c == Ctl::StaticText1) {  // never cuts its text, whatever the font and the DPI
    const SIZE text = textSize(w, font_, model_.staticText1());
    width = std::max<int>(width, text.cx + scale_.px(kCaptionPadding));
    height = std::max<int>(height, text.cy);
  }
  SetWindowPos(w, nullptr, r.left, r.top, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE | (s.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void MainWindow::placeWindow() {
  const Rect& r = model_.window();
  SetWindowPos(hwnd_, nullptr, scale_.px(r.left), scale_.px(r.top), scale_.px(r.width),
               scale_.px(r.height), SWP_NOZORDER | SWP_NOACTIVATE);
  for (Ctl c : kChildControls) placeChild(c);
  buttons_.sync(model_, scale_);
  invalidatePictures(true);
}

void MainWindow::syncEdit1() {
  const HWND edit = children_[static_cast<int>(Ctl::Edit1)];
  if (windowText(edit) == model_.edit1()) return;
  syncingEdit1_ = true;  // the control's change notice must not echo back into the model
  SetWindowTextW(edit, wide(model_.edit1()));
  syncingEdit1_ = false;
}

void MainWindow::syncMemo() {
  const HWND memo = children_[static_cast<int>(Ctl::infoBox)];
  const auto& lines = model_.memoLines();
  for (; memoShown_ < lines.size(); ++memoShown_) {
    const Text line = (memoShown_ > 0 ? u"\r\n" : u"") + lines[memoShown_];
    const int end = GetWindowTextLengthW(memo);
    SendMessageW(memo, EM_SETSEL, end, end);
    SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(line)));
  }
}

// The transparent labels and the buttons show the pictures beneath them, so they repaint with
// them.
void MainWindow::invalidatePictures(bool underLabels) {
  InvalidateRect(hwnd_, nullptr, FALSE);
  if (underLabels) {
    InvalidateRect(children_[static_cast<int>(Ctl::InfoLabel)], nullptr, FALSE);
    InvalidateRect(children_[static_cast<int>(Ctl::FinishText)], nullptr, FALSE);
  }
  buttons_.invalidate();
}

void MainWindow::startBusyAnimation(bool on) {
  if (on == busyRunning_) return;
  busyRunning_ = on;
  if (on) {
    SetTimer(hwnd_, kBusyTimer, kBusyFrameMs, nullptr);
  } else {
    KillTimer(hwnd_, kBusyTimer);
  }
}

void MainWindow::onModelChange(Change what, Ctl c) {
  switch (what) {
    case Change::Control:
      if (isChildControl(c)) {
        placeChild(c);
        if (c == Ctl::gauge && model_.visible(c))
          setGaugePercent(children_[static_cast<int>(c)], model_.gauge());
      } else {
        if (c == Ctl::ActivityIndicator) startBusyAnimation(model_.visible(c));
        invalidatePictures(liesUnderLabel(c));
      }
      // A look or the field shown or hidden: the buttons and the focus follow.
      buttons_.sync(model_, scale_);
      settleFocus();
      break;
    case Change::Texts:
      if (c == Ctl::InfoLabel) {
        SetWindowTextW(children_[static_cast<int>(c)], wide(model_.infoLabel()));
        placeChild(c);
        InvalidateRect(children_[static_cast<int>(c)], nullptr, FALSE);
      } else if (c == Ctl::Edit1) {
        syncEdit1();
      }
      break;
    case Change::Memo:
      syncMemo();
      break;
    case Change::Gauge:
      setGaugePercent(children_[static_cast<int>(Ctl::gauge)], model_.gauge());
      break;
    case Change::Window:
      placeWindow();
      break;
    case Change::Picture:
      scene_.setBackground(platform_, model_.background());
      invalidatePictures(true);
      break;
    case Change::Caption:
      SetWindowTextW(hwnd_, wide(model_.caption()));
      break;
  }
}

void MainWindow::paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(hwnd_, &ps);
  const RECT& area = ps.rcPaint;
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  if (w > 0 && h > 0) {
    // Composed off-screen, so that the pictures never flicker.
    const HDC mem = CreateCompatibleDC(dc);
    const HBITMAP buf = CreateCompatibleBitmap(dc, w, h);
    const HGDIOBJ old = SelectObject(mem, buf);
    SetViewportOrgEx(mem, -area.left, -area.top, nullptr);
    FillRect(mem, &area, GetSysColorBrush(COLOR_WINDOW));
    scene_.paint(mem, model_, scale_);
    BitBlt(dc, area.left, area.top, w, h, mem, area.left, area.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(buf);
    DeleteDC(mem);
  }
  EndPaint(hwnd_, &ps);
}

// A child window that shows the pictures beneath it: they are composed off-screen at the child's
// place, `extra` draws its own part over them, and the result goes to the child's dc at once.
template <typename Extra>
void MainWindow::paintOver(HWND child, HDC dc, Extra&& extra) {
  RECT client{};
  GetClientRect(child, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  POINT at{0, 0};
  MapWindowPoints(child, hwnd_, &at, 1);
  const HDC mem = CreateCompatibleDC(dc);
  const HBITMAP buf = CreateCompatibleBitmap(dc, client.right, client.bottom);
  const HGDIOBJ oldBitmap = SelectObject(mem, buf);
  FillRect(mem, &client, GetSysColorBrush(COLOR_WINDOW));
  SetViewportOrgEx(mem, -at.x, -at.y, nullptr);
  scene_.paint(mem, model_, scale_);
  SetViewportOrgEx(mem, 0, 0, nullptr);
  extra(mem, client);
  BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
  SelectObject(mem, oldBitmap);
  DeleteObject(buf);
  DeleteDC(mem);
}

// The labels are transparent: they paint the pictures beneath them, then the status label its
// text. The finish text shows only the picture's own headline, which it puts into words.
void MainWindow::paintLabel(HWND label) {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(label, &ps);
  paintOver(label, dc, [&](HDC mem, RECT& client) {
    if (label != children_[static_cast<int>(Ctl::InfoLabel)]) return;
    const HGDIOBJ oldFont = SelectObject(mem, labelFont_);
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, kLabelRed);
    const Text t = windowText(label);
    DrawTextW(mem, wide(t), static_cast<int>(t.size()), &client,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(mem, oldFont);
  });
  EndPaint(label, &ps);
}

// A button shows the look the scene paints at its place, and the focus cue over it once the
// keyboard has been used.
void MainWindow::paintButton(const DRAWITEMSTRUCT& item) {
  paintOver(item.hwndItem, item.hDC, [&](HDC mem, RECT& client) {
    if (!keys_.showFocusCue() || GetFocus() != item.hwndItem) return;
    const int inset = scale_.px(kFocusCueInset);
    InflateRect(&client, -inset, -inset);
    const HBRUSH ink = CreateSolidBrush(kFocusCueColour);
    for (int i = std::max(1, scale_.px(kFocusCueWidth)); i > 0; --i) {
      FrameRect(mem, &client, ink);
      InflateRect(&client, -1, -1);
    }
    DeleteObject(ink);
  });
}

void MainWindow::mouseMoved(int px, int py) {
  const int x = scale_.logical(px);
  const int y = scale_.logical(py);
  if (!trackingMouse_) {
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
    trackingMouse_ = TrackMouseEvent(&t);
  }
  lastMouse_ = {x, y};
  if (commands_.installing()) {
    mouseHeld_ = true;
    return;
  }
  follow(mouse_.move(model_, x, y));
}

// While an install runs the pictures take no mouse input; where the mouse went meanwhile reaches
// them when it ends, as input queued behind a busy window would.
void MainWindow::releaseHeldMouse() {
  if (!mouseHeld_) return;
  mouseHeld_ = false;
  if (trackingMouse_) {
    follow(mouse_.move(model_, lastMouse_.x, lastMouse_.y));
  } else {
    for (MouseAction a : mouse_.leave()) run(a);
  }
}

// Runs the handlers, then looks again at what lies under the mouse: a handler that swapped a
// button's look has put another picture there, which the mouse has now entered.
void MainWindow::follow(std::vector<MouseAction> actions) {
  constexpr int kMaxRounds = 4;  // looks settle after one swap; this only bounds a loop
  for (int round = 0; round < kMaxRounds && !actions.empty(); ++round) {
    for (MouseAction a : actions) run(a);
    if (!hwnd_ || !trackingMouse_) return;
    actions = mouse_.move(model_, lastMouse_.x, lastMouse_.y);
  }
}

void MainWindow::run(MouseAction action) {
  call([&] {
    switch (action) {
      case MouseAction::CloseEnter:
        form_.bnCloseEnter();
        break;
      case MouseAction::CloseLeave:
        form_.bnCloseLeave();
        break;
      case MouseAction::InstallEnter:
        form_.bnInstallEnter();
        break;
      case MouseAction::InstallLeave:
        form_.bnInstallLeave();
        break;
      case MouseAction::CloseClick:
        commands_.close();
        break;
      case MouseAction::InstallClick:
        startInstall();
        break;
    }
  });
}

void MainWindow::startInstall() {
  commands_.install([this](std::exception_ptr error) { installEnded(error); });
}

void MainWindow::installEnded(std::exception_ptr error) {
  if (error) guarded(hwnd_, [&] { std::rethrow_exception(error); });
  releaseHeldMouse();
  settleFocus();
}

// A button activated from the keyboard or by a screen reader does what a click on it does.
void MainWindow::activate(Focus button) {
  call([&] {
    if (button == Focus::Install) {
      startInstall();
    } else {
      commands_.close();
    }
  });
}

Focus MainWindow::focusNow() const {
  const HWND focus = GetFocus();
  if (focus && focus == children_[static_cast<int>(Ctl::Edit1)]) return Focus::Edit1;
  return buttons_.which(focus);
}

void MainWindow::moveFocus(Focus to) {
  HWND target = hwnd_;
  if (to == Focus::Edit1) {
    target = children_[static_cast<int>(Ctl::Edit1)];
  } else if (to != Focus::Window) {
    target = buttons_.handle(to);
  }
  if (GetFocus() != target) SetFocus(target);
}

// Puts the focus where it belongs after a change; while the window is inactive, decides where
// it goes when the window is activated again, without taking the activation.
void MainWindow::settleFocus() {
  if (GetActiveWindow() != hwnd_) {
    focusWhenInactive_ = keys_.settle(model_, focusWhenInactive_);
    return;
  }
  moveFocus(keys_.settle(model_, focusNow()));
}

bool MainWindow::translateKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) {
    return false;
  }
  Key key;
  switch (msg.wParam) {
    case VK_TAB:
      key = GetKeyState(VK_SHIFT) < 0 ? Key::BackTab : Key::Tab;
      break;
    case VK_RETURN:
      key = Key::Enter;
      break;
    case VK_SPACE:
      key = Key::Space;
      break;
    case VK_ESCAPE:
      key = Key::Escape;
      break;
    default:
      return false;
  }
  const bool cueShown = keys_.showFocusCue();
  const KeyAction action = keys_.press(model_, focusNow(), key);
  if (keys_.showFocusCue() != cueShown) buttons_.invalidate();
  switch (action.kind) {
    case KeyAction::Pass:
      return false;
    case KeyAction::Swallow:
      break;
    case KeyAction::MoveFocus:
      moveFocus(action.target);
      // As in a dialog, Tab into the field selects its text.
      if (action.target == Focus::Edit1) {
        SendMessageW(children_[static_cast<int>(Ctl::Edit1)], EM_SETSEL, 0, -1);
      }
      break;
    case KeyAction::Activate:
      activate(action.target);
      break;
  }
  return true;
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
  if (MessageWindowThread::runTaskOf(msg, lp)) return 1;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint();
      return 0;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == hwnd_ && LOWORD(lp) == HTCLIENT) {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(hwnd_, &p);
        SetCursor(LoadCursorW(
            nullptr, cursorOf(pointerAt(model_, scale_.logical(p.x), scale_.logical(p.y)))));
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      mouseMoved(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_MOUSELEAVE:
      trackingMouse_ = false;
      if (commands_.installing()) {
        mouseHeld_ = true;
      } else {
        for (MouseAction a : mouse_.leave()) run(a);
      }
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd_);
      if (!commands_.installing()) {
        mouse_.press(model_, scale_.logical(GET_X_LPARAM(lp)), scale_.logical(GET_Y_LPARAM(lp)));
      }
      return 0;
    case WM_LBUTTONUP: {
      ReleaseCapture();
      if (commands_.installing()) return 0;  // no click while installing, not even afterwards
      if (const auto click = mouse_.release(model_, scale_.logical(GET_X_LPARAM(lp)),
                                            scale_.logical(GET_Y_LPARAM(lp)))) {
        follow({*click});
      }
      return 0;
    }
    case WM_TIMER:
      if (wp == kTimer1) {
        KillTimer(hwnd_, kTimer1);  // one shot
        call([this] { form_.Timer1Timer(); });
      } else if (wp == kBusyTimer) {
        scene_.nextBusyFrame();
        const RECT area = scale_.px(model_.control(Ctl::ActivityIndicator).rect);
        InvalidateRect(hwnd_, &area, FALSE);
      }
      return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == EN_CHANGE &&
          reinterpret_cast<HWND>(lp) == children_[static_cast<int>(Ctl::Edit1)] && !syncingEdit1_) {
        if (commands_.installing()) {
          syncEdit1();  // the install has taken the folder: the field shows it still
        } else {
          const Text typed = windowText(reinterpret_cast<HWND>(lp));
          call([&] { model_.setEdit1(typed); });
        }
      } else if (HIWORD(wp) == BN_CLICKED) {
        // A button pressed by a screen reader (or its keys): as a click, while its look allows.
        const Focus button = buttons_.which(reinterpret_cast<HWND>(lp));
        if (button != Focus::Window && canFocus(model_, button)) activate(button);
      }
      return 0;
    case kEdit1Clicked:
      if (!commands_.installing()) call([this] { form_.Edit1Click(); });
      return 0;
    case WM_DPICHANGED:
      dpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_DRAWITEM:
      paintButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) != SC_CLOSE) break;
      [[fallthrough]];
    case WM_CLOSE:  // Alt+F4 and the close message: as Close, and not while installing
      call([this] { commands_.close(); });
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        focusWhenInactive_ = focusNow();
      } else if (!HIWORD(wp)) {  // not minimised
        moveFocus(keys_.settle(model_, focusWhenInactive_));
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == children_[static_cast<int>(Ctl::StaticText1)]) {
        const HDC dc = reinterpret_cast<HDC>(wp);
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(white_);
      }
      break;
    case WM_DESTROY:
      KillTimer(hwnd_, kTimer1);
      KillTimer(hwnd_, kBusyTimer);
      model_.onChange = nullptr;
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = w;
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcW(w, msg, wp, lp);
  LRESULT result = 0;
  // Nothing may unwind through the system's code that called us.
  guarded(w, [&] { result = self->handle(msg, wp, lp); });
  return result;
}

LRESULT CALLBACK MainWindow::labelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR self) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    guarded(w, [&] { reinterpret_cast<MainWindow*>(self)->paintLabel(w); });
    return 0;
  }
  return DefSubclassProc(w, msg, wp, lp);
}

// The click event of the folder field: after the control has handled the release itself, the
// window runs the handler from its own queue.
LRESULT CALLBACK MainWindow::edit1Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR self) {
  const LRESULT result = DefSubclassProc(w, msg, wp, lp);
  if (msg == WM_LBUTTONUP)
    PostMessageW(reinterpret_cast<MainWindow*>(self)->hwnd_, kEdit1Clicked, 0, 0);
  return result;
}

}  // namespace app::win32
