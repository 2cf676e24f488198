// mkinstaller append --stub STUB.exe --archive PACKAGE.zip -o OUT.exe
#include "tools/mkinstaller/command.h"
#include "tools/mkinstaller/installer_layout.h"
#include "tools/mkinstaller/options.h"

namespace mkinstaller {

namespace {

constexpr char kUsage[] =
    "usage: mkinstaller append --stub STUB.exe --archive PACKAGE.zip -o OUT.exe\n"
    "\n"
    "Writes OUT.exe: the installer program STUB.exe, then the package archive as it is,\n"
    "then the bytes EF BB BF and the archive's offset right-aligned in 20 characters.\n"
    "OUT.exe appears only when complete; an existing one is replaced.\n"
    "\n"
    "  --stub FILE         the installer program\n"
    "  --archive FILE      the package archive (a ZIP file)\n"
    "  -o, --output FILE   the installer to write\n";

std::unique_ptr<plat::File> openInput(plat::Platform& platform, const text::Text& path,
                                      const char16_t* role) {
  try {
    return platform.open(path, plat::OpenMode::Read);
  } catch (const text::Error& e) {
    throw text::Error(u"cannot read the " + text::Text(role) + u": " + e.message());
  }
}

// Builds the installer next to its final name and renames it into place, so a failure never
// leaves a half-written installer behind and the output may even replace one of the inputs
// (every file is closed before the rename: Windows refuses to delete a file held open).
layout::Written writeAtomically(plat::Platform& platform, const text::Text& stubPath,
                                const text::Text& archivePath, const text::Text& outPath) {
  const text::Text partPath = outPath + u".part";
  layout::Written written;
  {
    const auto program = openInput(platform, stubPath, u"installer program");
    const auto archive = openInput(platform, archivePath, u"package archive");
    try {
      const auto out = platform.open(partPath, plat::OpenMode::Create);
      written = layout::writeInstaller(*program, *archive, *out);
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

}  // namespace

int runAppend(plat::Platform& platform, const Args& args, Io& io) {
  try {
    const Options opts =
        parseOptions(args, {{"--stub", ""}, {"--archive", ""}, {"--output", "-o"}});
    if (opts.help) {
      io.out << kUsage;
      return 0;
    }
    const text::Text& stubPath = opts.required("--stub");
    const text::Text& archivePath = opts.required("--archive");
    const text::Text& outPath = opts.required("--output");
    const layout::Written w = writeAtomically(platform, stubPath, archivePath, outPath);
    io.out << text::toUtf8(outPath) << ": archive at offset " << w.archiveOffset << ", "
           << w.totalSize << " bytes\n";
    return 0;
  } catch (const UsageError& e) {
    io.err << "mkinstaller append: " << e.what() << "\n" << kUsage;
    return 1;
  } catch (const text::Error& e) {
    io.err << "mkinstaller append: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace mkinstaller
