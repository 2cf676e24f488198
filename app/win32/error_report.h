// The default error report: an error that escapes a handler of the window is shown in a
// message box with its text, and the window stays usable.
#pragma once

#include <windows.h>

#include <exception>

#include "platform/text.h"

namespace app::win32 {

void showError(HWND owner, const text::Text& message);

// Runs a handler; an error escaping it is reported and goes no further.
template <typename Handler>
void guarded(HWND owner, Handler&& handler) {
  try {
    handler();
  } catch (const text::Error& e) {
    showError(owner, e.message());
  } catch (const std::exception& e) {
    showError(owner, text::fromUtf8(e.what()));
  }
}

}  // namespace app::win32
