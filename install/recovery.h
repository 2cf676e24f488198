// Recovery after an interrupted install: a journal left in the package folder is rolled back, or
// finished when the merged database had been committed, before anything else touches the folder.
#pragma once

#include <optional>

#include "platform/log.h"
#include "platform/platform.h"
#include "target/refusal.h"

namespace install {

using text::Text;

inline const Text kRolledBackMessage = u"Przywrócono stan sprzed przerwanej instalacji.";
inline const Text kFinishedMessage = u"Dokończono przerwaną instalację.";
inline const Text kRecoveryFailedMessage =
    u"Nie udało się przywrócić stanu sprzed przerwanej instalacji. Zamknij programy, które "
    u"mogą używać plików biblioteki, i spróbuj ponownie.";

// Puts the package folder right when an earlier run left its journal there; nothing to do
// without one. No host program may run meanwhile. What stops it is returned as a refusal, and
// the journal then stays for the next try; what it did is logged, its result as important.
std::optional<target::Refusal> recoverInterruptedInstall(plat::Platform& platform,
                                                         const Text& hostFolder,
                                                         const Text& packageName,
                                                         const logs::Log& log);

}  // namespace install
