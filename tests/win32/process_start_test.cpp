// The process set-up the installer runs first, read back from the system.
#include "app/win32/process_start.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

constexpr UINT kNoDriveBoxes = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Host discovery looks at every drive; an empty drive must fail quietly, not ask the user.
TEST(ProcessStart, TurnsTheSystemsDriveErrorBoxesOff) {
  SetErrorMode(0);
  ASSERT_EQ(GetErrorMode() & kNoDriveBoxes, 0u);
  app::win32::startProcess();
  EXPECT_EQ(GetErrorMode() & kNoDriveBoxes, kNoDriveBoxes);
}

}  // namespace
