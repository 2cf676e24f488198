// Host discovery: the host's installations on every drive.
#pragma once

#include <vector>

#include "platform/log.h"
#include "platform/platform.h"

namespace target {

using text::Text;

// Every installation of the host, drive by drive, as the maker folder's path plus the
// sub-folder's name. Logs the search, the count, and then the message for the user when there is
// none, or each installation when there are several.
std::vector<Text> findInstallations(plat::Platform& platform, const logs::Log& log);

}  // namespace target
