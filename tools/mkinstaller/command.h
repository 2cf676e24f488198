// The subcommands of mkinstaller. Each lives in its own file and is listed in the dispatch table
// (dispatch.cpp); all reach files only through plat::Platform, so the tool builds natively and
// as a Windows program alike.
#pragma once

#include <functional>
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

// Runs a command's body and turns its errors into exit code 1 with the cause on io.err, after
// "mkinstaller NAME: "; a wrong command line also gets the command's usage.
int runGuarded(std::string_view name, std::string_view usage, Io& io,
               const std::function<int()>& body);

// The whole tool: args are the arguments after the program name.
int runTool(plat::Platform& platform, const Args& args, Io& io);

int runAppend(plat::Platform& platform, const Args& args, Io& io);
int runBuild(plat::Platform& platform, const Args& args, Io& io);
int runVerify(plat::Platform& platform, const Args& args, Io& io);

}  // namespace mkinstaller
