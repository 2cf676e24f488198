// GDI+ needs COM types that WIN32_LEAN_AND_MEAN leaves out of windows.h.
#pragma once

#include <windows.h>
// After windows.h:
#include <objidl.h>
// After objidl.h:
#include <gdiplus.h>
