// The folder field: what a folder chosen in the dialog puts there, and the validation of its
// text.
#pragma once

#include "platform/log.h"
#include "platform/platform.h"

namespace target {

using text::Text;

// The host folder of a chosen folder: everything from the first "dodatki" component on is
// dropped, so the library folder and any package folder in it give the host folder.
Text hostFolderOfChoice(const Text& chosen);

// True when the field's text, as it stands, names a host folder: one holding the library folder.
// Logs the check at the debug level.
bool validHostFolder(plat::Platform& platform, const Text& field, const logs::Log& log);

}  // namespace target
