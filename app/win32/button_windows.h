// Install and Close as the keyboard and screen readers find them: owner-drawn button windows
// named "Instaluj" and "Zamknij" over the image buttons' pictures, shown while a look of theirs
// is, and enabled only while the look is enabled. The mouse passes through them to the main
// window, where the pictures keep their own mouse rules.
#pragma once

#include <windows.h>

#include "app/win32/dpi.h"
#include "app/window_keys.h"
#include "app/window_model.h"

namespace app::win32 {

class ButtonWindows {
 public:
  static constexpr int kInstallId = 200;
  static constexpr int kCloseId = 201;

  // Creates both buttons, hidden, as children of parent; their WM_DRAWITEM goes to parent.
  void create(HWND parent, HFONT font);
  // The button window of Focus::Install or Focus::Close; nullptr for anything else.
  HWND handle(Focus f) const;
  // Focus::Install or Focus::Close for their windows, Focus::Window for any other.
  Focus which(HWND w) const;
  // Shows, places (at the scale's pixels) and enables each button as the model's looks say.
  void sync(const WindowModel& m, const Scale& scale);
  void setFont(HFONT font);
  void invalidate();

 private:
  HWND install_ = nullptr;
  HWND close_ = nullptr;
};

}  // namespace app::win32
