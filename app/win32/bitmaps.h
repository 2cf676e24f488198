// Pictures for GDI drawing: 32-bit premultiplied-alpha bitmaps, and decoded pictures that keep
// their drawing at one size so that repainting only copies pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/text.h"
#include "platform/win32/gdiplus_include.h"

namespace app::win32 {

// A top-down 32-bit DIB section with premultiplied alpha; starts fully transparent.
class Dib {
 public:
  Dib(int width, int height);
  ~Dib();
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  HBITMAP handle() const { return handle_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Draws into the bitmap with GDI+.
  void draw(const std::function<void(Gdiplus::Graphics&)>& paint);
  // Copies the bitmap to dc at x, y: opaque, or blended by its alpha.
  void blit(HDC dc, int x, int y, bool opaque) const;

 private:
  HBITMAP handle_ = nullptr;
  void* bits_ = nullptr;
  int width_;
  int height_;
};

// A picture decoded once from its encoded bytes (JPEG, PNG). Its drawing at the size last asked
// for is kept, so drawing it again at that size only copies pixels.
class Image {
 public:
  // Throws text::Error naming `name` when the bytes are not a readable picture.
  Image(const std::vector<uint8_t>& bytes, const text::Text& name);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  void draw(HDC dc, int x, int y, int width, int height, bool opaque);

 private:
  IStream* stream_ = nullptr;  // GDI+ reads the picture from it on demand
  std::unique_ptr<Gdiplus::Bitmap> bitmap_;
  std::unique_ptr<Dib> drawn_;
  int width_ = 0;
  int height_ = 0;
};

// The bytes of an RCDATA resource of the running program.
std::vector<uint8_t> resourceBytes(int id);

}  // namespace app::win32
