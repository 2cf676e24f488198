// The pictures of the window and the busy indicator, painted from the window model in stacking
// order. The text controls and the progress bar are child windows above them.
#pragma once

#include <array>
#include <memory>

#include "app/win32/bitmaps.h"
#include "app/win32/busy_indicator.h"
#include "app/win32/dpi.h"
#include "app/window_model.h"
#include "platform/platform.h"

namespace app::win32 {

class Scene {
 public:
  // Decodes the designed pictures embedded in the program.
  Scene();

  // Takes the model's background picture: a cover file is read through the platform and
  // decoded once. Throws when the file cannot be read or is not a picture.
  void setBackground(plat::Platform& fs, const Picture& background);
  void nextBusyFrame() { busyFrame_ = (busyFrame_ + 1) % kBusyFrames; }
  // Paints every visible picture and the busy indicator at the scale's pixels, each picture
  // resampled to its size there; dc may be clipped or offset.
  void paint(HDC dc, const WindowModel& model, const Scale& scale);

 private:
  void paintBackground(HDC dc, const ControlState& bg, const Scale& scale);

  std::array<std::unique_ptr<Image>, kControlCount> designed_;
  std::unique_ptr<Image> cover_;
  Picture coverShape_;
  std::unique_ptr<Dib> busy_;  // the frame busyDrawn_
  int busyFrame_ = 0;
  int busyDrawn_ = -1;
};

}  // namespace app::win32
