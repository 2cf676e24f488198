// mkinstaller append --stub STUB.exe --archive PACKAGE.zip -o OUT.exe
#include "tools/mkinstaller/command.h"
#include "tools/mkinstaller/installer_file.h"
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

}  // namespace

int runAppend(plat::Platform& platform, const Args& args, Io& io) {
  return runGuarded("append", kUsage, io, [&] {
    const Options opts =
        parseOptions(args, {{"--stub", ""}, {"--archive", ""}, {"--output", "-o"}});
    if (opts.help) {
      io.out << kUsage;
      return 0;
    }
    const text::Text& stubPath = opts.required("--stub");
    const text::Text& archivePath = opts.required("--archive");
    const text::Text& outPath = opts.required("--output");
    const layout::Written w = layout::writeInstallerFile(platform, stubPath, archivePath, outPath);
    io.out << text::toUtf8(outPath) << ": archive at offset " << w.archiveOffset << ", "
           << w.totalSize << " bytes\n";
    return 0;
  });
}

}  // namespace mkinstaller
