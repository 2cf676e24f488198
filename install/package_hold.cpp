#include "install/package_hold.h"

#include "target/host_layout.h"
#include "target/package_paths.h"

namespace install {

namespace {

PackageHold refused(target::Refusal::Reason reason, const Text& message, const logs::Log& log) {
  log.important(message);
  return {nullptr, target::Refusal{reason, message}};
}

}  // namespace

PackageHold holdPackage(plat::Platform& platform, const Text& hostFolder, const Text& packageName,
                        const logs::Log& log) {
  const target::PackagePaths paths = target::packagePaths(hostFolder, packageName);
  if (!platform.directoryExists(paths.library)) {
    return refused(target::Refusal::Reason::NoInstallation, target::kNoInstallationMessage, log);
  }
  try {
    // Held silently: the folder check logs what it always logged.
    if (std::unique_ptr<plat::HeldFile> held = platform.holdFile(paths.hold)) {
      return {std::move(held), std::nullopt};
    }
  } catch (const plat::FileError& e) {
    log.important(e.message());
    return refused(target::Refusal::Reason::PackageHeld, kHoldFailedMessage, log);
  }
  log.debug(u"Plik zajęty przez inny instalator: " + paths.hold);
  return refused(target::Refusal::Reason::PackageHeld, kPackageHeldMessage, log);
}

}  // namespace install
