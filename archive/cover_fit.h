// The arithmetic of fitting the installer's window to a package's cover picture. The installer
// sizes its window by it; the package maker's tool refuses, by the same arithmetic, a cover
// that would leave the window unusable.
#pragma once

namespace pkg {

// The window's designed client size, which is the size of the cover it is designed for.
inline constexpr int kCoverWidth = 1040;
inline constexpr int kCoverHeight = 585;

// The folder field's designed width. Anchored to both sides of the window, it loses as many
// pixels as the window does, so it keeps a width of at least one pixel only in a window at
// least this wide (658).
inline constexpr int kFolderFieldWidth = 383;
inline constexpr int kNarrowestWindowWidth = kCoverWidth - kFolderFieldWidth + 1;

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

}  // namespace pkg
