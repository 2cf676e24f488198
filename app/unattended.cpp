#include "app/unattended.h"

#include <exception>

#include "app/payload.h"
#include "app/work_folder.h"
#include "install/session.h"
#include "platform/unexpected_error.h"
#include "target/host_layout.h"

namespace app {

namespace {

install::WorkFiles unattendedFiles(const Text& workFolder) {
  // The archive is the payload, once found.
  return {workFolder, {}, workFolder + kCoverName};
}

ExitCode install(plat::Platform& platform, const CommandLine& line, const Text& workFolder,
                 const logs::Log& log) {
  install::WorkFiles files = unattendedFiles(workFolder);
  try {
    if (std::optional<zipkit::ArchiveSource> found = locatePayload(platform, workFolder, log)) {
      files.archive = std::move(*found);
    }
  } catch (const text::Error& e) {
    log.important(e.message());
    return ExitCode::NoPackage;
  }
  install::Session session(platform, files, log);
  install::DetectObserver noWindow;
  const install::PackageFound found = session.detectPackage(noWindow);
  if (found.coverError) log.important(*found.coverError);
  if (!found.offered()) return ExitCode::NoPackage;

  Text hostFolder;
  if (line.hostFolder) {
    hostFolder = *line.hostFolder;
    log.debug(u"Folder instalacji z przełącznika /D=: " + hostFolder);
  } else {
    const install::HostDiscovery hosts = session.discoverHosts();
    if (const auto refusal = session.refuseUnconfirmed(hosts)) return exitOf(*refusal);
    hostFolder = *hosts.proposal;
  }
  if (const auto refusal = session.checkHost(hostFolder, *found.package)) return exitOf(*refusal);

  install::Observer noProgress;
  return exitOf(session.apply(hostFolder, *found.package, noProgress));
}

}  // namespace

ExitCode runUnattended(plat::Platform& platform, const CommandLine& line, const logs::Log& log) {
  log.debug(u"Instalacja bez okna.");
  Text workFolder;
  try {
    workFolder = makeWorkFolder(platform, log);
  } catch (const text::Error& e) {
    log.important(e.message());
    return ExitCode::WorkFolderFailed;
  }
  log.debug(u"Folder roboczy: " + workFolder);
  // Apply ends with what it left on the disk and throws nothing: an error that escapes stopped
  // the run before anything was touched.
  ExitCode code = ExitCode::StoppedUnchanged;
  try {
    code = install(platform, line, workFolder, log);
  } catch (const text::Error& e) {
    // No window to report it: the log says what stopped the run.
    log.important(e.message());
  } catch (const std::exception& e) {
    logs::logUnexpectedError(log, e);
  }
  if (!line.debug) {
    cleanWorkFolder(platform, workFolder, {unattendedFiles(workFolder).cover}, log);
  }
  return code;
}

}  // namespace app
