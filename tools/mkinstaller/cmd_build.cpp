// mkinstaller build PACKAGE_DIR -o OUT.exe [--stub STUB.exe]
#include "archive/package_layout.h"
#include "tools/mkinstaller/command.h"
#include "tools/mkinstaller/installer_file.h"
#include "tools/mkinstaller/lexical_path.h"
#include "tools/mkinstaller/options.h"
#include "tools/mkinstaller/package_check.h"
#include "tools/mkinstaller/package_folder.h"
#include "tools/mkinstaller/package_zip.h"

namespace mkinstaller {

namespace {

constexpr char kUsage[] =
    "usage: mkinstaller build PACKAGE_DIR -o OUT.exe [--stub STUB.exe]\n"
    "\n"
    "Builds the installer OUT.exe for the package in PACKAGE_DIR, which holds:\n"
    "  P.jpg             the cover the installer shows (1040 x 585)\n"
    "  P.txt             a description (optional)\n"
    "  P\\dodatki.mdb     the package's accessory database\n"
    "  P\\...             the package's files, in any sub-folders\n"
    "The package is checked first; with any error nothing is written. The archive holds the\n"
    "files in a fixed order with fixed times, so the same folder gives the same installer.\n"
    "OUT.exe appears only when complete; an existing one is replaced.\n"
    "\n"
    "  -o, --output FILE   the installer to write (not inside PACKAGE_DIR)\n"
    "  --stub FILE         the installer program; default: installer.exe beside mkinstaller\n";

// Both separators: on Linux, paths come with "/".
Text withoutTrailingSeparators(Text path) {
  while (path.size() > 1 && (path.back() == u'\\' || path.back() == u'/')) path.pop_back();
  return path;
}

Text defaultStub(plat::Platform& platform) {
  const Text exe = platform.executablePath();
  const size_t slash = exe.find_last_of(u"\\/");
  return (slash == Text::npos ? Text() : exe.substr(0, slash + 1)) + u"installer.exe";
}

// Refuses paths that would make the build write over its own inputs.
void checkOutputPath(plat::Platform& platform, const Text& outPath, const Text& stubPath,
                     const Text& packageDir) {
  const Text cwd = platform.currentDirectory();
  if (isSamePath(outPath, stubPath, cwd)) {
    throw text::Error(u"the output " + outPath + u" would replace the installer program");
  }
  if (isSamePath(outPath, packageDir, cwd) || isInsideFolder(outPath, packageDir, cwd)) {
    throw text::Error(u"the output " + outPath +
                      u" lies in the package folder; write it somewhere else");
  }
}

// The checks the installer's own reading would fail on; the package name when none is an error.
std::optional<Text> checkPackage(plat::Platform& platform, const Text& packageDir,
                                 const std::vector<PackageItem>& items, Io& io) {
  const std::vector<Text> names = entryNames(items);
  Findings findings;
  const std::optional<Text> name = findPackage(names, findings);
  if (name) {
    checkEntryNames(names, *name, findings);
    for (const PackageItem& item : items) {
      if (pkg::isCoverEntry(item.entryName, *name)) {
        checkCover(platform, item.sourcePath, item.entryName, findings);
      }
    }
    const Text database = pkg::databaseEntry(*name);
    checkDatabase(platform, packageDir + u"\\" + database, database, findings);
  }
  printFindings(io.err, findings);
  if (hasErrors(findings) || !name) return std::nullopt;
  return name;
}

void printSummary(const Text& packageName, size_t entries, uint64_t archiveSize,
                  const Text& outPath, const layout::Written& written, Io& io) {
  io.out << "package " << text::toUtf8(packageName) << ": " << entries << " entries, archive "
         << archiveSize << " bytes\n"
         << "installer " << text::toUtf8(outPath) << ": " << written.totalSize << " bytes\n";
  if (!layout::canBeSigned(written.totalSize)) {
    io.err << "warning: " << text::toUtf8(outPath)
           << ": too large to be signed: Authenticode stores the offset of the certificate "
              "table it appends in 32 bits, so a signed installer must stay below 4 GiB; make "
              "the package smaller to sign it\n";
  }
}

// Writes the archive beside the output first, then the installer around it; neither the
// temporary archive nor a partial installer survives a failure.
int build(plat::Platform& platform, const Text& packageDir, const Text& stubPath,
          const Text& outPath, Io& io) {
  if (!platform.directoryExists(packageDir)) {
    throw text::Error(u"the package folder " + packageDir + u" does not exist");
  }
  if (!platform.fileExists(stubPath)) {
    throw text::Error(u"the installer program " + stubPath +
                      u" does not exist; build it or name one with --stub");
  }
  checkOutputPath(platform, outPath, stubPath, packageDir);
  std::vector<PackageItem> items = listPackageFolder(platform, packageDir);
  const std::optional<Text> packageName = checkPackage(platform, packageDir, items, io);
  if (!packageName) {
    io.err << "mkinstaller build: the package has errors; no installer written\n";
    return 1;
  }
  putInArchiveOrder(items, *packageName);
  const Text archivePath = outPath + u".zip.part";
  try {
    const uint64_t archiveSize = writePackageArchive(platform, items, archivePath);
    const layout::Written written =
        layout::writeInstallerFile(platform, stubPath, archivePath, outPath);
    if (const plat::Status deleted = platform.deleteFile(archivePath); !deleted) {
      io.err << "warning: cannot delete the temporary archive " << text::toUtf8(archivePath) << ": "
             << text::toUtf8(deleted.reason()) << "\n";
    }
    printSummary(*packageName, items.size(), archiveSize, outPath, written, io);
    return 0;
  } catch (const text::Error&) {
    // The error thrown is the cause to report; the archive goes as best it can.
    if (platform.fileExists(archivePath)) (void)platform.deleteFile(archivePath);
    throw;
  }
}

}  // namespace

int runBuild(plat::Platform& platform, const Args& args, Io& io) {
  return runGuarded("build", kUsage, io, [&] {
    const Options opts = parseOptions(args, {{"--output", "-o"}, {"--stub", ""}}, {"PACKAGE_DIR"});
    if (opts.help) {
      io.out << kUsage;
      return 0;
    }
    const Text packageDir = withoutTrailingSeparators(opts.required("PACKAGE_DIR"));
    const Text& outPath = opts.required("--output");
    const auto stub = opts.values.find("--stub");
    const Text stubPath = stub != opts.values.end() ? stub->second : defaultStub(platform);
    return build(platform, packageDir, stubPath, outPath, io);
  });
}

}  // namespace mkinstaller
