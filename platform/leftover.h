// Deleting a file whose staying harms nothing: a later run deletes it again, or says why it
// cannot go on.
#pragma once

#include "platform/log.h"
#include "platform/platform.h"

namespace plat {

// Deletes the file when it is there; a failure only goes to the debug log, with its reason.
inline void deleteLeftover(Platform& platform, const Text& path, const logs::Log& log) {
  if (!platform.fileExists(path)) return;
  if (const Status deleted = platform.deleteFile(path); !deleted) {
    log.debug(withReason(u"Nie można usunąć pliku " + path, deleted));
  }
}

}  // namespace plat
