#include "app/win32/bitmaps.h"

#include <shlwapi.h>

namespace app::win32 {

Dib::Dib(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows, as GDI+ expects them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  handle_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
  if (!handle_) throw text::Error(u"Brak pamięci na obraz okna.");
}

Dib::~Dib() {
  DeleteObject(handle_);
}

void Dib::draw(const std::function<void(Gdiplus::Graphics&)>& paint) {
  GdiFlush();
  Gdiplus::Bitmap target(width_, height_, width_ * 4, PixelFormat32bppPARGB,
                         static_cast<BYTE*>(bits_));
  Gdiplus::Graphics g(&target);
  paint(g);
}

void Dib::blit(HDC dc, int x, int y, bool opaque) const {
  HDC src = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(src, handle_);
  if (opaque) {
    BitBlt(dc, x, y, width_, height_, src, 0, 0, SRCCOPY);
  } else {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, width_, height_, src, 0, 0, width_, height_, blend);
  }
  SelectObject(src, old);
  DeleteDC(src);
}

Image::Image(const std::vector<uint8_t>& bytes, const text::Text& name) {
  stream_ = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
  if (stream_) bitmap_ = std::make_unique<Gdiplus::Bitmap>(stream_);
  if (!bitmap_ || bitmap_->GetLastStatus() != Gdiplus::Ok || bitmap_->GetWidth() == 0) {
    bitmap_.reset();
    if (stream_) stream_->Release();
    throw text::Error(u"Nie można odczytać obrazu: " + name);
  }
  width_ = static_cast<int>(bitmap_->GetWidth());
  height_ = static_cast<int>(bitmap_->GetHeight());
}

Image::~Image() {
  drawn_.reset();
  bitmap_.reset();
  stream_->Release();
}

void Image::draw(HDC dc, int x, int y, int width, int height, bool opaque) {
  if (width <= 0 || height <= 0) return;
  if (!drawn_ || drawn_->width() != width || drawn_->height() != height) {
    drawn_ = std::make_unique<Dib>(width, height);
    drawn_->draw([&](Gdiplus::Graphics& g) {
      g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
      g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
      Gdiplus::ImageAttributes edges;  // no fading at the borders when stretching
      edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
      g.DrawImage(bitmap_.get(), Gdiplus::Rect(0, 0, width, height), 0, 0, width_, height_,
                  Gdiplus::UnitPixel, &edges);
    });
  }
  drawn_->blit(dc, x, y, opaque);
}

std::vector<uint8_t> resourceBytes(int id) {
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
  const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const auto* data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (!data) throw text::Error(u"Brak obrazu w zasobach programu (" + text::num(id) + u").");
  return {data, data + SizeofResource(nullptr, found)};
}

}  // namespace app::win32
