// The installer's command line, read once into a plain struct that the window and any other
// front end read.
#pragma once

#include <vector>

#include "platform/text.h"

namespace app {

struct CommandLine {
  // The first argument "/d", "/debug", "d" or "debug", in any letter case.
  bool debug = false;
};

CommandLine parseCommandLine(const std::vector<text::Text>& args);

}  // namespace app
