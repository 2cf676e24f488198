#include "app/unattended.h"

#include <exception>

#include "app/payload.h"
#include "app/work_folder.h"
#include "install/session.h"
#include "platform/unexpected_error.h"
#include "target/host_layout.h"

namespace app {

namespace {

using text::num;

install::WorkFiles unattendedFiles(const Text& workFolder) {
  // The archive is the payload, once found.
  return {workFolder, {}, workFolder + kCoverName};
}

// The one installation discovery finds, or nothing when it finds none or several.
std::optional<Text> discoveredHostFolder(install::Session& session, const logs::Log& log) {
  const std::vector<Text> found = session.findHosts();
  if (found.size() == 1) return target::asHostFolder(found.front());
  if (found.size() > 1) {
    log.important(u"Znaleziono " + num(static_cast<int64_t>(found.size())) +
                  u" instalacji. Wskaż folder przełącznikiem /D=");
  }
  return std::nullopt;
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
  if (!found.offered()) return ExitCode::NoPackage;

  std::optional<Text> hostFolder = line.hostFolder;
  if (hostFolder) {
    log.debug(u"Folder instalacji z przełącznika /D=: " + *hostFolder);
  } else {
    hostFolder = discoveredHostFolder(session, log);
    if (!hostFolder) return ExitCode::NoHostFolder;
  }
  if (const auto refusal = session.checkHost(*hostFolder, *found.package)) return exitOf(*refusal);

  install::Observer noProgress;
  return exitOf(session.apply(*hostFolder, *found.package, noProgress));
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
  ExitCode code = ExitCode::FailedRestored;
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
