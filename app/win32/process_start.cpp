#include "app/win32/process_start.h"

#include <windows.h>
// After windows.h:
#include <commctrl.h>

namespace app::win32 {

void startProcess() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

}  // namespace app::win32
