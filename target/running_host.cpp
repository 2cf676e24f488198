#include "target/running_host.h"

#include "target/xpos.h"

namespace target {

namespace {

const Text kSearchWord = u"CAD";

}  // namespace

bool isHostProgram(const Text& exeName) {
  return (XPos(kSearchWord, exeName) > 0 && exeName != u"lumicad.exe") ||
         exeName == u"VirelaPro.exe";
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
              text::num(XPos(kSearchWord, p.exeName)));
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
