#include "app/win32/dpi.h"

#include <cmath>

namespace app::win32 {

namespace {

// MONITOR_DPI_TYPE's MDT_EFFECTIVE_DPI, from shellscalingapi.h.
constexpr int kEffectiveDpi = 0;

using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

template <typename Fn>
Fn lookUp(const wchar_t* dll, const char* name) {
  HMODULE module = GetModuleHandleW(dll);
  if (!module) module = LoadLibraryW(dll);
  if (!module) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int systemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kLogicalDpi;
}

Rect logicalRect(const RECT& r, const Scale& scale) {
  const int left = scale.logical(r.left);
  const int top = scale.logical(r.top);
  return {left, top, scale.logical(r.right) - left, scale.logical(r.bottom) - top};
}

}  // namespace

int Scale::px(int logical) const {
  return static_cast<int>(std::lround(static_cast<double>(logical) * dpi_ / kLogicalDpi));
}

int Scale::logical(int px) const {
  return static_cast<int>(std::lround(static_cast<double>(px) * kLogicalDpi / dpi_));
}

RECT Scale::px(const Rect& r) const {
  return {px(r.left), px(r.top), px(r.left + r.width), px(r.top + r.height)};
}

int monitorDpi(HMONITOR monitor) {
  static const auto forMonitor = lookUp<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0;
  UINT y = 0;
  if (forMonitor && monitor && SUCCEEDED(forMonitor(monitor, kEffectiveDpi, &x, &y)) && x > 0) {
    return static_cast<int>(x);
  }
  return systemDpi();
}

int windowDpi(HWND window) {
  static const auto forWindow = lookUp<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (forWindow) {
    if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
  }
  return monitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

Display displayOf(HMONITOR monitor, const Scale& scale) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) {
    const RECT all{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {logicalRect(all, scale), logicalRect(all, scale)};
  }
  return {logicalRect(info.rcMonitor, scale), logicalRect(info.rcWork, scale)};
}

}  // namespace app::win32
