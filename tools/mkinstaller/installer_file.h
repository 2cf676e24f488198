// Writing an installer file from a program file and a package archive on disk.
#pragma once

#include "archive/installer_layout.h"
#include "platform/platform.h"

namespace layout {

// Writes the installer layout into outPath + ".part" and renames it to outPath, so that a
// failure never leaves a half-written installer behind and an existing one stays until the new
// one is complete. Throws text::Error naming the cause; the ".part" file is gone by then.
Written writeInstallerFile(plat::Platform& platform, const text::Text& programPath,
                           const text::Text& archivePath, const text::Text& outPath);

}  // namespace layout
