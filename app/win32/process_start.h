// What the installer's process sets up before its window and before any drive is searched.
#pragma once

namespace app::win32 {

// Registers the common control classes, and stops Windows from asking the user about drives:
// host discovery looks at every drive, and an empty card reader or optical drive would
// otherwise pop up a "no disk" box. The system error mode lasts for the whole process.
void startProcess();

}  // namespace app::win32
