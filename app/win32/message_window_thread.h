// The window's thread reached through its window's messages: a sent task runs while the sender
// waits in SendMessage, a posted one when the window's queue comes to it, after everything sent
// or posted before.
#pragma once

#include <windows.h>

#include "app/window_commands.h"

namespace app::win32 {

class MessageWindowThread : public WindowThread {
 public:
  void attach(HWND window) { hwnd_ = window; }

  void runAndWait(const std::function<void()>& task) override;
  void post(std::function<void()> task) override;

  // The window procedure's part: runs the task one of these messages carries; false for any
  // other message.
  static bool runTaskOf(UINT msg, LPARAM lp);

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace app::win32
