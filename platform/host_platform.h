// The platform of the machine the program runs on: Win32 in the Windows build, POSIX natively.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace plat {

std::unique_ptr<Platform> makeHostPlatform();

}  // namespace plat
