#include "app/win32/gauge_control.h"

#include <string>

#include "app/win32/gauge_accessible.h"

namespace app::win32 {

namespace {

constexpr wchar_t kClass[] = L"InstallerGauge";
constexpr COLORREF kBarColour = RGB(0xF7, 0x94, 0x1D);

struct GaugeState {
  int percent = 0;
  HFONT font = nullptr;
};

GaugeState* stateOf(HWND w) {
  return reinterpret_cast<GaugeState*>(GetWindowLongPtrW(w, GWLP_USERDATA));
}

int percentOf(HWND w) {
  return stateOf(w)->percent;
}

void paint(HWND w, HDC dc) {
  const GaugeState* s = stateOf(w);
  RECT all{};
  GetClientRect(w, &all);
  FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
  RECT bar = all;
  bar.right = all.left + (all.right - all.left) * s->percent / 100;
  const HBRUSH orange = CreateSolidBrush(kBarColour);
  FillRect(dc, &bar, orange);
  DeleteObject(orange);
  const std::wstring label = std::to_wstring(s->percent) + L"%";
  const HGDIOBJ old = SelectObject(dc, s->font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(dc, label.c_str(), -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

LRESULT CALLBACK gaugeProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(
          w, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_NCDESTROY:
      delete stateOf(w);
      SetWindowLongPtrW(w, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFONT:
      stateOf(w)->font = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) InvalidateRect(w, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(stateOf(w)->font);
    case WM_GETOBJECT:
      if (static_cast<LONG>(static_cast<DWORD>(lp)) == OBJID_CLIENT) {
        if (const LRESULT object = gaugeAccessibleObject(w, wp, percentOf)) return object;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      paint(w, dc);
      EndPaint(w, &ps);
      return 0;
    }
  }
  return DefWindowProcW(w, msg, wp, lp);
}

void registerClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = gaugeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

HWND createGauge(HWND parent, int id, HFONT font) {
  registerClass();
  auto* state = new GaugeState{0, font};
  const HWND w = CreateWindowExW(0, kClass, L"0%", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), state);
  if (!w) delete state;
  return w;
}

void setGaugePercent(HWND gauge, int percent) {
  stateOf(gauge)->percent = percent;
  SetWindowTextW(gauge, (std::to_wstring(percent) + L"%").c_str());
  RedrawWindow(gauge, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, gauge, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace app::win32
