// One install per package folder at a time: a run holds a file beside the package folder for its
// whole life, before it reads a journal or changes anything, and a second installer (a window or
// an unattended run) that finds it held refuses.
#pragma once

#include <memory>
#include <optional>

#include "platform/log.h"
#include "platform/platform.h"
#include "target/refusal.h"

namespace install {

using text::Text;

inline const Text kPackageHeldMessage =
    u"Ten pakiet instaluje teraz inny instalator. Poczekaj, aż skończy, i spróbuj ponownie.";
inline const Text kHoldFailedMessage =
    u"Nie można zarezerwować folderu pakietu dla instalacji. Sprawdź dostęp do folderu "
    u"biblioteki i spróbuj ponownie.";

struct PackageHold {
  std::unique_ptr<plat::HeldFile> file;    // the package folder is ours while it lives
  std::optional<target::Refusal> refusal;  // why it is not: logged as important
};

// Takes the hold for the package of the host folder. A host folder without a library folder
// refuses as no installation.
PackageHold holdPackage(plat::Platform& platform, const Text& hostFolder, const Text& packageName,
                        const logs::Log& log);

}  // namespace install
