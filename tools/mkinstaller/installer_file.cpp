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
      if (platform.fileExists(partPath)) platform.deleteFile(partPath);
      throw text::Error(u"cannot write the installer: " + e.message());
    }
  }
  if (platform.fileExists(outPath) && !platform.deleteFile(outPath)) {
    platform.deleteFile(partPath);
    throw text::Error(u"cannot replace " + outPath);
  }
  if (!platform.moveFile(partPath, outPath)) {
    platform.deleteFile(partPath);
    throw text::Error(u"cannot rename " + partPath + u" to " + outPath);
  }
  return written;
}

}  // namespace layout
