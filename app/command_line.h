// The installer's command line, read once into a plain struct that the window and any other
// front end read.
#pragma once

#include <optional>
#include <vector>

#include "platform/text.h"

namespace app {

struct CommandLine {
  // The first argument "/d", "/debug", "d" or "debug", in any letter case.
  bool debug = false;
  // "/S": install without a window.
  bool silent = false;
  // "/LOG=<file>": a file that receives every line of the run, with or without "/S".
  std::optional<text::Text> logFile;
  // "/D=<host folder>", with "/S" only: the rest of the command line, blanks included.
  std::optional<text::Text> hostFolder;
  // With "/S": the first argument the installer does not take, which fails the run.
  std::optional<text::Text> unknown;
};

// The debug switch only, from the arguments after the program name.
CommandLine parseCommandLine(const std::vector<text::Text>& args);

// Every switch, from the command line as the process received it (program name first).
// "/D=" must come last and takes the rest of the line unsplit, since host folders hold blanks
// and a quote after a trailing backslash would otherwise be swallowed; one pair of quotes around
// the switch or around the path alone is removed.
CommandLine parseRawCommandLine(const text::Text& raw);

}  // namespace app
