#include "target/running_host.h"

#include "target/host_layout.h"
#include "target/xpos.h"

namespace target {

bool isHostProgram(const Text& exeName) {
  return (XPos(kHostSearchWord, exeName) > 0 && exeName != kExemptProgram) ||
         exeName == kHostMainProgram;
}

std::optional<Refusal> runningHostBlocker(plat::Platform& platform, const logs::Log& log) {
  std::vector<plat::ProcessEntry> running;
  try {
    running = platform.processes();
  } catch (const text::Error& e) {
    // Without the list nobody can tell that the host is idle.
    return Refusal{Refusal::Reason::ProcessListUnreadable, e.message()};
  }
  const uint32_t self = platform.currentProcessId();
  std::optional<Text> conflict;
  for (const plat::ProcessEntry& p : running) {
    log.debug(u"Znaleziona w pamięci aplikację: " + p.exeName + u" : " +
              text::num(XPos(kHostSearchWord, p.exeName)));
    if (p.pid != self && isHostProgram(p.exeName)) {
      log.debug(u"Wykryto konfliktową aplikację: " + p.exeName);
      conflict = p.exeName;
    }
  }
  if (!conflict) return std::nullopt;
  return Refusal{Refusal::Reason::HostRunning,
                 u"Wyłącz program " + *conflict + u" i spróbuj ponownie."};
}

}  // namespace target
