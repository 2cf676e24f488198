#include "archive/cover_fit.h"

#include <cmath>

namespace pkg {

CoverFit fitWindowToCover(const CoverFitInput& in) {
  CoverFit out;
  const bool fits = in.pictureWidth + in.frameWidth <= in.screenWidth &&
                    in.pictureHeight + in.frameHeight <= in.screenHeight;
  int clientW = in.pictureWidth;
  int clientH = in.pictureHeight;
  if (!fits) {
    out.rescale = true;
    // 65 % in integers, so that an exact half rounds up (1050 -> 683) with no binary error.
    clientW = (in.screenWidth * 65 + 50) / 100;
    clientH = static_cast<int>(
        std::lround(in.pictureHeight * (static_cast<double>(clientW) / in.pictureWidth)));
  }
  out.windowWidth = clientW + in.frameWidth;
  out.windowHeight = clientH + in.frameHeight;
  out.sizeChanged = out.windowWidth != in.windowWidth || out.windowHeight != in.windowHeight;
  return out;
}

}  // namespace pkg
