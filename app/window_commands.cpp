#include "app/window_commands.h"

namespace app {

WindowCommands::WindowCommands(TForm1& form, WindowThread& windowThread)
    : form_(form), windowThread_(windowThread), windowThreadId_(std::this_thread::get_id()) {
  form_.window().changeRunner = [this](const std::function<void()>& change) {
    runOnWindowThread(change);
  };
}

WindowCommands::~WindowCommands() {
  if (worker_.joinable()) worker_.join();
  form_.window().changeRunner = nullptr;
}

// A change made on the install's thread runs on the window's thread; an error it raises there
// (the view could not show it) goes back to the step that made it.
void WindowCommands::runOnWindowThread(const std::function<void()>& change) {
  if (std::this_thread::get_id() == windowThreadId_) {
    change();
    return;
  }
  std::exception_ptr error;
  windowThread_.runAndWait([&] {
    try {
      change();
    } catch (...) {
      error = std::current_exception();
    }
  });
  if (error) std::rethrow_exception(error);
}

void WindowCommands::install(std::function<void(std::exception_ptr)> ended) {
  if (installing_) return;
  installing_ = true;
  if (worker_.joinable()) worker_.join();  // an earlier install's thread, long finished
  worker_ = std::thread([this, ended = std::move(ended)]() mutable {
    std::exception_ptr error;
    try {
      form_.ButtonInstallClick();
    } catch (...) {
      error = std::current_exception();
    }
    // Posted after the install's last change, so the window sees its end after all of them.
    windowThread_.post([this, error, ended = std::move(ended)] {
      installing_ = false;
      ended(error);
    });
  });
}

void WindowCommands::close() {
  if (installing_) return;
  form_.CloseClick();
}

}  // namespace app
