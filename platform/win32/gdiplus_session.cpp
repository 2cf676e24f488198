#include "platform/win32/gdiplus_session.h"

#include "platform/text.h"
#include "platform/win32/gdiplus_include.h"

namespace plat::win32 {

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) {
    throw text::Error(u"Nie można uruchomić GDI+.");
  }
}

GdiplusSession::~GdiplusSession() {
  Gdiplus::GdiplusShutdown(token_);
}

}  // namespace plat::win32
