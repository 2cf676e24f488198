#include "platform/in_use_retry.h"

namespace plat {

Status retryWhileInUse(Platform& platform, const logs::Log& log, const Text& path,
                       const std::function<Status()>& op) {
  Status status = op();
  for (const unsigned wait : kInUseWaits) {
    if (!status.inUse()) break;
    log.debug(u"Plik " + path + u" jest chwilowo używany przez inny program, ponawiamy za " +
              text::num(static_cast<int64_t>(wait)) + u" ms");
    platform.pause(wait);
    status = op();
  }
  return status;
}

}  // namespace plat
