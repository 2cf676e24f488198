// The subcommands of mkinstaller. Each lives in its own file and is listed in the dispatch table
// (dispatch.cpp); all reach files only through plat::Platform, so the tool builds natively and
// as a Windows program alike.
#pragma once

#include <ostream>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace mkinstaller {

using Args = std::vector<text::Text>;

struct Io {
  std::ostream& out;
  std::ostream& err;
};

// Runs with the arguments after the subcommand's name; returns the exit code.
using CommandFn = int (*)(plat::Platform& platform, const Args& args, Io& io);

struct Command {
  std::string_view name;
  std::string_view summary;
  CommandFn run;
};

// The whole tool: args are the arguments after the program name.
int runTool(plat::Platform& platform, const Args& args, Io& io);

int runAppend(plat::Platform& platform, const Args& args, Io& io);

}  // namespace mkinstaller
