// Mouse rules of the image buttons: which picture is under the mouse, which pointer it shows,
// and which handler an enter, leave or click runs. Pure logic over the window model, so that
// the window procedure only translates messages.
#pragma once

#include <optional>
#include <vector>

#include "app/window_model.h"

namespace app::win32 {

enum class MouseAction {
  CloseEnter,
  CloseLeave,
  InstallEnter,
  InstallLeave,
  CloseClick,
  InstallClick
};
enum class Pointer { Arrow, Hand, NotAllowed };

// The pointer shown at a client point: that of the topmost visible picture there.
Pointer pointerAt(const WindowModel& model, int x, int y);

// The topmost picture at a client point that reacts to the mouse: visible and enabled.
std::optional<Ctl> reactingPictureAt(const WindowModel& model, int x, int y);

struct PictureRole;

class PictureMouse {
 public:
  // The mouse moved to a client point: the leave handler of the picture it left, then the enter
  // handler of the picture it entered, as far as they have them.
  std::vector<MouseAction> move(const WindowModel& model, int x, int y);
  // The mouse left the window's client area.
  std::vector<MouseAction> leave();
  void press(const WindowModel& model, int x, int y);
  // A click is a release over the reacting picture on which the button went down.
  std::optional<MouseAction> release(const WindowModel& model, int x, int y);

 private:
  const PictureRole* hot_ = nullptr;
  const PictureRole* pressed_ = nullptr;
};

}  // namespace app::win32
