// mkinstaller: builds installer executables around package archives.
#include <iostream>

#include "platform/host_platform.h"
#include "tools/mkinstaller/command.h"

int main() {
  const auto platform = plat::makeHostPlatform();
  mkinstaller::Io io{std::cout, std::cerr};
  return mkinstaller::runTool(*platform, platform->commandLineArgs(), io);
}
