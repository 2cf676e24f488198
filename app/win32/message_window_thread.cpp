#include "app/win32/message_window_thread.h"

#include <memory>

namespace app::win32 {

namespace {

constexpr UINT kRunSentTask = WM_APP + 10;
constexpr UINT kRunPostedTask = WM_APP + 11;

}  // namespace

void MessageWindowThread::runAndWait(const std::function<void()>& task) {
  const auto ran = SendMessageW(hwnd_, kRunSentTask, 0, reinterpret_cast<LPARAM>(&task));
  // Once the window is gone nothing on its thread shows the model any more.
  if (!ran) task();
}

void MessageWindowThread::post(std::function<void()> task) {
  auto queued = std::make_unique<std::function<void()>>(std::move(task));
  if (PostMessageW(hwnd_, kRunPostedTask, 0, reinterpret_cast<LPARAM>(queued.get()))) {
    queued.release();  // the message owns it now
  }
}

bool MessageWindowThread::runTaskOf(UINT msg, LPARAM lp) {
  if (msg == kRunSentTask) {
    (*reinterpret_cast<const std::function<void()>*>(lp))();
    return true;
  }
  if (msg == kRunPostedTask) {
    const std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lp));
    (*task)();
    return true;
  }
  return false;
}

}  // namespace app::win32
