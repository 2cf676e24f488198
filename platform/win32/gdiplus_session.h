// Keeps GDI+ started for as long as an instance lives. GDI+ counts its start-ups, so the
// platform and the window may each hold one.
#pragma once

#include <windows.h>

#include <cstdint>

namespace plat::win32 {

class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace plat::win32
