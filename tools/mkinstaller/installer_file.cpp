#include "tools/mkinstaller/installer_file.h"

namespace layout {

namespace {

std::unique_ptr<plat::File> openInput(plat::Platform& platform, const text::Text& path,
                                      const char16_t* role) {
  try {
    return platform.open(path, plat::OpenMode::Read);
  } catch (const text::Error& e) {
    throw text::Error(u"cannot read the " + text::Text(role) + u": " + e.message());
  }
}

}  // namespace

// Every file is closed before the rename: Windows refuses to delete a file held open.
Written writeInstallerFile(plat::Platform& platform, const text::Text& programPath,
                           const text::Text& archivePath, const text::Text& outPath) {
  const text::Text partPath = outPath + u".part";
  Written written;
  {
    const auto program = openInput(platform, programPath, u"installer program");
    const auto archive = openInput(platform, archivePath, u"package archive");
    try {
      const auto out = platform.open(partPath, plat::OpenMode::Create);
      written = writeInstaller(*program, *archive, *out);
    } catch (const text::Error& e) {
      // The write error is the cause; a part file that stays is replaced by the next build.
      if (platform.fileExists(partPath)) (void)platform.deleteFile(partPath);
      throw text::Error(u"cannot write the installer: " + e.message());
    }
  }
  // On a failure below the part file goes as best it can: the failure is the cause to report.
  if (platform.fileExists(outPath)) {
    if (const plat::Status deleted = platform.deleteFile(outPath); !deleted) {
      (void)platform.deleteFile(partPath);
      throw text::Error(u"cannot replace " + outPath + u": " + deleted.reason());
    }
  }
  if (const plat::Status moved = platform.moveFile(partPath, outPath); !moved) {
    (void)platform.deleteFile(partPath);
    throw text::Error(u"cannot rename " + partPath + u" to " + outPath + u": " + moved.reason());
  }
  return written;
}

}  // namespace layout
