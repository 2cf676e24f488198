// The arithmetic of fitting the window to the cover picture.
#pragma once

namespace app {

struct CoverFitInput {
  int pictureWidth = 0;
  int pictureHeight = 0;
  int screenWidth = 0;
  int screenHeight = 0;
  int windowWidth = 0;  // current outer size
  int windowHeight = 0;
  int frameWidth = 0;  // outer size less client size
  int frameHeight = 0;
};

struct CoverFit {
  bool rescale = false;  // the cover does not fit on the screen
  int windowWidth = 0;   // new outer size
  int windowHeight = 0;
  bool sizeChanged = false;  // the window must be resized and centred again
};

// A cover that fits gives the window its size plus the frame; one that does not is scaled to
// 65 % of the screen width (an exact half rounded up), its height following the aspect ratio.
CoverFit fitWindowToCover(const CoverFitInput& in);

}  // namespace app
