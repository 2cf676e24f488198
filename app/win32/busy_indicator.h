// The busy indicator's animation: black dots circling, one step per frame.
#pragma once

#include "platform/win32/gdiplus_include.h"

namespace app::win32 {

constexpr int kBusyFrameMs = 50;
constexpr int kBusyFrames = 12;

// Draws frame `frame` (0 .. kBusyFrames - 1) into a square of `size` pixels at the origin.
void drawBusyFrame(Gdiplus::Graphics& g, int size, int frame);

}  // namespace app::win32
