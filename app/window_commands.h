// What the window's Install and Close do to the form. The install's work runs on a thread of its
// own, so that the window keeps answering (Windows greys a window that answers nothing for 5 s),
// and every change it makes to the window model is made on the window's thread, in order, while
// the work waits. While it runs, the window is not closed by any means.
#pragma once

#include <exception>
#include <functional>
#include <thread>

#include "app/form1.h"

namespace app {

// The window's thread, as another thread reaches it.
class WindowThread {
 public:
  virtual ~WindowThread() = default;
  // Runs the task on the window's thread; returns once it has run.
  virtual void runAndWait(const std::function<void()>& task) = 0;
  // Queues the task for the window's thread and returns at once.
  virtual void post(std::function<void()> task) = 0;
};

class WindowCommands {
 public:
  // Made on the window's thread, which the model's changes go to from then on.
  WindowCommands(TForm1& form, WindowThread& windowThread);
  // Waits for the install's thread; the window is never closed while an install runs.
  ~WindowCommands();
  WindowCommands(const WindowCommands&) = delete;
  WindowCommands& operator=(const WindowCommands&) = delete;

  // From the start of an Install click until its end has reached the window's thread.
  bool installing() const { return installing_; }

  // The Install click, by the mouse or the keyboard: ButtonInstallClick on a thread of its own.
  // `ended` runs on the window's thread afterwards, with the error that escaped the click, if
  // any. Nothing happens while an install runs.
  void install(std::function<void(std::exception_ptr)> ended);

  // Close by any means (the Close button, Esc, Alt+F4, the close message): CloseClick with its
  // clean-up; nothing while an install runs.
  void close();

 private:
  void runOnWindowThread(const std::function<void()>& change);

  TForm1& form_;
  WindowThread& windowThread_;
  std::thread::id windowThreadId_;
  std::thread worker_;
  bool installing_ = false;
};

}  // namespace app
