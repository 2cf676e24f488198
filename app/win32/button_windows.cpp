#include "app/win32/button_windows.h"

#include <commctrl.h>

#include "platform/text.h"

namespace app::win32 {

namespace {

struct ButtonLooks {
  Ctl looks[4];
  bool (*enabled)(const WindowModel&);
};

constexpr ButtonLooks kInstall = {
    {Ctl::bnInstallNormal, Ctl::bnInstallHover, Ctl::bnInstallActive, Ctl::bnInstallDisable},
    installLookEnabled};
constexpr ButtonLooks kClose = {
    {Ctl::bnCloseNormal, Ctl::bnCloseHover, Ctl::bnCloseActive, Ctl::bnCloseDisable},
    closeLookEnabled};

// The window under the mouse is the main window, whatever button lies above its pictures; the
// button's own picture is the main window's scene, so it needs no background of its own.
LRESULT CALLBACK buttonProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  if (msg == WM_ERASEBKGND) return 1;
  return DefSubclassProc(w, msg, wp, lp);
}

HWND makeButton(HWND parent, int id, const wchar_t* name) {
  const HWND w =
      CreateWindowExW(0, L"BUTTON", name, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW, 0,
                      0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      GetModuleHandleW(nullptr), nullptr);
  if (!w) throw text::Error(u"Nie można utworzyć kontrolek okna instalatora.");
  SetWindowSubclass(w, buttonProc, 0, 0);
  return w;
}

void syncButton(HWND w, const WindowModel& m, const Scale& scale, const ButtonLooks& b) {
  bool shown = false;
  for (Ctl c : b.looks) shown = shown || m.visible(c);
  const RECT r = scale.px(m.control(b.looks[0]).rect);  // the four looks lie at one place
  SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  EnableWindow(w, b.enabled(m));
}

}  // namespace

void ButtonWindows::create(HWND parent, HFONT font) {
  install_ = makeButton(parent, kInstallId, L"Instaluj");
  close_ = makeButton(parent, kCloseId, L"Zamknij");
  setFont(font);
}

HWND ButtonWindows::handle(Focus f) const {
  if (f == Focus::Install) return install_;
  if (f == Focus::Close) return close_;
  return nullptr;
}

Focus ButtonWindows::which(HWND w) const {
  if (w && w == install_) return Focus::Install;
  if (w && w == close_) return Focus::Close;
  return Focus::Window;
}

void ButtonWindows::sync(const WindowModel& m, const Scale& scale) {
  syncButton(install_, m, scale, kInstall);
  syncButton(close_, m, scale, kClose);
}

void ButtonWindows::setFont(HFONT font) {
  SendMessageW(install_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(close_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void ButtonWindows::invalidate() {
  InvalidateRect(install_, nullptr, FALSE);
  InvalidateRect(close_, nullptr, FALSE);
}

}  // namespace app::win32
