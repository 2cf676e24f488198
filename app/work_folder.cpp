#include "app/work_folder.h"

#include <algorithm>
#include <optional>
#include <set>

#include "platform/leftover.h"

namespace app {

namespace {

const Text kWorkFolderPrefix = u"instalator-";

bool allDigits(std::u16string_view s) {
  return !s.empty() && s.size() <= 10 &&
         std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The process a working folder's name "instalator-<process>-<n>" names; nothing for any other
// name.
std::optional<uint32_t> ownerOf(const Text& name) {
  if (name.rfind(kWorkFolderPrefix, 0) != 0) return std::nullopt;
  const std::u16string_view rest = std::u16string_view(name).substr(kWorkFolderPrefix.size());
  const size_t dash = rest.find(u'-');
  if (dash == std::u16string_view::npos || !allDigits(rest.substr(0, dash)) ||
      !allDigits(rest.substr(dash + 1))) {
    return std::nullopt;
  }
  const uint64_t pid = std::stoull(text::toUtf8(Text(rest.substr(0, dash))));
  if (pid > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(pid);
}

}  // namespace

void removeStaleWorkFolders(plat::Platform& platform, const logs::Log& log) {
  // This run's own folders stay, whatever the list says.
  std::set<uint32_t> running{platform.currentProcessId()};
  try {
    for (const plat::ProcessEntry& p : platform.processes()) running.insert(p.pid);
  } catch (const plat::FileError& e) {
    log.debug(e.message());
    return;
  }
  const Text temp = platform.tempFolder();
  for (const Text& name : platform.subFolders(temp)) {
    const std::optional<uint32_t> owner = ownerOf(name);
    if (!owner || running.count(*owner)) continue;
    const Text folder = temp + name + u"\\";
    // The installer keeps files only: a folder with folders in it is somebody else's.
    if (!platform.subFolders(folder).empty()) continue;
    std::vector<Text> files;
    for (const Text& file : platform.filesIn(folder)) files.push_back(folder + file);
    cleanWorkFolder(platform, folder, files, log);
    if (!platform.directoryExists(folder)) {
      log.debug(u"Usunięto folder roboczy wcześniejszego uruchomienia: " + folder);
    }
  }
}

// Under the user's temporary folder: an installer is often started from a folder nobody may
// write (a network share, a disc), and runs side by side must not share one.
Text makeWorkFolder(plat::Platform& platform, const logs::Log& log) {
  removeStaleWorkFolders(platform, log);
  const Text base = platform.tempFolder() + kWorkFolderPrefix +
                    text::num(static_cast<int64_t>(platform.currentProcessId())) + u"-";
  for (int64_t n = 0; n < 1000; ++n) {
    const Text folder = base + text::num(n) + u"\\";
    if (platform.directoryExists(folder)) continue;
    const plat::Status made = platform.createDirectory(folder);
    if (made) return folder;
    // Another run took the name between the test and the creation: try the next one.
    if (platform.directoryExists(folder)) continue;
    throw plat::FileError(
        plat::withReason(u"Nie można utworzyć folderu roboczego: " + folder, made));
  }
  throw plat::FileError(u"Nie można utworzyć folderu roboczego: " + base + u"*");
}

void cleanWorkFolder(plat::Platform& platform, const Text& workFolder,
                     const std::vector<Text>& files, const logs::Log& log) {
  if (!platform.directoryExists(workFolder) || platform.fileExists(workFolder + u"NODELETE")) {
    return;
  }
  // A file left in the working folder harms nothing: the run goes on to its end.
  for (const Text& file : files) plat::deleteLeftover(platform, file, log);
  if (!platform.isDirectoryEmpty(workFolder)) return;
  if (const plat::Status removed = platform.removeDirectory(workFolder); !removed) {
    log.debug(plat::withReason(u"Nie można usunąć folderu " + workFolder, removed));
  }
}

}  // namespace app
