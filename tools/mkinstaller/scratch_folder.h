// A private folder for a command's intermediate files under the user's temporary folder, removed
// again with everything in it when the command is done.
#pragma once

#include "platform/platform.h"

namespace mkinstaller {

class ScratchFolder {
 public:
  // Makes a new, empty folder "<temp>\<prefix>-<process id>-<n>\"; throws text::Error when the
  // temporary folder has none to spare.
  ScratchFolder(plat::Platform& fs, const text::Text& prefix);
  // Removes what remove() has not, as far as it can: an error cannot travel out of here, and
  // the caller's own failure is the one to report.
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder, ending with "\".
  const text::Text& path() const { return path_; }

  // Removes the folder and everything in it; throws text::Error naming what could not be
  // removed. Every file in it must be closed.
  void remove();

 private:
  plat::Platform& platform_;
  text::Text path_;
  bool removed_ = false;
};

}  // namespace mkinstaller
