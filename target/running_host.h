// The running-host rule: which running programs keep the installer from installing.
#pragma once

#include <optional>

#include "platform/log.h"
#include "platform/platform.h"
#include "target/refusal.h"

namespace target {

using text::Text;

// True for an executable name of the host: one containing "CAD" in any case, except exactly
// "lumicad.exe", and exactly "VirelaPro.exe".
bool isHostProgram(const Text& exeName);

// Walks the running processes, logging each one and each conflict at the debug level. Returns
// the refusal when a host program runs (naming the last one met) or the list cannot be read,
// with the system's reason; nothing when the host is idle. The installer's own process never
// conflicts: its file name may well contain "CAD", and it would otherwise block itself.
std::optional<Refusal> runningHostBlocker(plat::Platform& platform, const logs::Log& log);

}  // namespace target
