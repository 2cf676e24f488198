#include "tools/mkinstaller/scratch_folder.h"

#include <optional>

namespace mkinstaller {

namespace {

constexpr int kMaxAttempts = 1000;

// Removes dir (ending with "\") and everything below it; returns the first path that stayed.
// The folder holds only what the command wrote into it: no links to follow out of it.
std::optional<text::Text> removeTree(plat::Platform& fs, const text::Text& dir) {
  std::optional<text::Text> stayed;
  for (const text::Text& file : fs.filesIn(dir)) {
    if (!fs.deleteFile(dir + file) && !stayed) stayed = dir + file;
  }
  for (const text::Text& sub : fs.subFolders(dir)) {
    const std::optional<text::Text> left = removeTree(fs, dir + sub + u"\\");
    if (left && !stayed) stayed = left;
  }
  if (!fs.removeDirectory(dir) && !stayed) stayed = dir;
  return stayed;
}

}  // namespace

ScratchFolder::ScratchFolder(plat::Platform& fs, const text::Text& prefix) : platform_(fs) {
  const text::Text temp = fs.tempFolder();
  const text::Text stem =
      temp + prefix + u"-" + text::num(static_cast<int64_t>(fs.currentProcessId())) + u"-";
  // Another run of the tool may hold the first names; createDirectory never reuses a folder.
  for (int n = 0; n < kMaxAttempts; ++n) {
    const text::Text candidate = stem + text::num(n);
    if (fs.createDirectory(candidate)) {
      path_ = candidate + u"\\";
      return;
    }
  }
  throw text::Error(u"cannot make a scratch folder in " + temp);
}

ScratchFolder::~ScratchFolder() {
  if (removed_) return;
  try {
    removeTree(platform_, path_);
  } catch (const text::Error&) {  // see the declaration
  }
}

void ScratchFolder::remove() {
  removed_ = true;
  if (const std::optional<text::Text> stayed = removeTree(platform_, path_)) {
    throw text::Error(u"cannot remove " + *stayed + u" from the scratch folder " + path_);
  }
}

}  // namespace mkinstaller
