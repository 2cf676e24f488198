// mkinstaller verify INSTALLER.exe
#include "tools/mkinstaller/command.h"
#include "tools/mkinstaller/installer_check.h"
#include "tools/mkinstaller/options.h"
#include "tools/mkinstaller/scratch_folder.h"

namespace mkinstaller {

namespace {

constexpr char kUsage[] =
    "usage: mkinstaller verify INSTALLER.exe\n"
    "\n"
    "Checks INSTALLER.exe the way the installer reads itself when it runs: the trailer, the\n"
    "package archive it names, every entry's data and CRC, the package folder, the cover and\n"
    "the database. Prints what it found, each problem with what to do about it, and a last\n"
    "line \"OK: ...\" or \"FAILED: ...\"; the exit code is 1 when the installer would fail.\n"
    "A signed installer (a certificate table after the trailer) is read as the installer\n"
    "reads it. The archive is unpacked into a scratch folder in the temporary folder, which\n"
    "is removed afterwards.\n";

}  // namespace

int runVerify(plat::Platform& platform, const Args& args, Io& io) {
  return runGuarded("verify", kUsage, io, [&] {
    const Options opts = parseOptions(args, {}, {"INSTALLER.exe"});
    if (opts.help) {
      io.out << kUsage;
      return 0;
    }
    const Text& path = opts.required("INSTALLER.exe");
    ScratchFolder scratch(platform, u"mkinstaller-verify");
    const InstallerReport report = checkInstaller(platform, path, scratch.path());
    printReport(io.out, report);
    scratch.remove();
    return hasErrors(report.findings) ? 1 : 0;
  });
}

}  // namespace mkinstaller
