#include "app/win32/busy_indicator.h"

#include <cmath>

namespace app::win32 {

void drawBusyFrame(Gdiplus::Graphics& g, int size, int frame) {
  constexpr int kDots = 8;
  constexpr double kPi = 3.14159265358979323846;
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  const double centre = size / 2.0;
  const double orbit = size * 0.34;
  const double head = 2 * kPi * frame / kBusyFrames;
  for (int i = 0; i < kDots; ++i) {
    // The leading dot is the largest and darkest; the trail fades behind it.
    const double fade = 1.0 - static_cast<double>(i) / kDots;
    const double angle = head - i * (2 * kPi / kBusyFrames);
    const double r = size * (0.035 + 0.055 * fade);
    const double x = centre + orbit * std::cos(angle);
    const double y = centre + orbit * std::sin(angle);
    Gdiplus::SolidBrush ink(Gdiplus::Color(static_cast<BYTE>(40 + 215 * fade), 0, 0, 0));
    g.FillEllipse(&ink, static_cast<Gdiplus::REAL>(x - r), static_cast<Gdiplus::REAL>(y - r),
                  static_cast<Gdiplus::REAL>(2 * r), static_cast<Gdiplus::REAL>(2 * r));
  }
}

}  // namespace app::win32
