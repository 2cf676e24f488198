#include "target/running_host.h"

#include "target/xpos.h"

namespace target {

namespace {

const Text kSearchWord = u"CAD";

Text errorText(const std::exception& e) {
  if (const auto* err = dynamic_cast<const text::Error*>(&e)) return err->message();
  return text::fromUtf8(e.what());
}

}  // namespace

bool isHostProgram(const Text& exeName) {
  return (XPos(kSearchWord, exeName) > 0 && exeName != u"lumicad.exe") ||
         exeName == u"VirelaPro.exe";
}

std::optional<Text> runningHostBlocker(plat::Platform& platform, const logs::Log& log) {
  try {
    const uint32_t self = platform.currentProcessId();
    std::optional<Text> conflict;
    for (const plat::ProcessEntry& p : platform.processes()) {
      log.debug(u"Znaleziona w pamięci aplikację: " + p.exeName + u" : " +
                text::num(XPos(kSearchWord, p.exeName)));
      if (p.pid != self && isHostProgram(p.exeName)) {
        log.debug(u"Wykryto konfliktową aplikację: " + p.exeName);
        conflict = p.exeName;
      }
    }
    if (conflict) return u"Wyłącz program " + *conflict + u" i spróbuj ponownie.";
    return std::nullopt;
  } catch (const std::exception& e) {
    return u"[BŁAD]" + errorText(e);
  }
}

}  // namespace target
