#include <array>

#include "tools/mkinstaller/command.h"

namespace mkinstaller {

namespace {

constexpr std::array kCommands{
    Command{"append", "append a package archive and its trailer to the installer program",
            runAppend},
};

void printUsage(std::ostream& to) {
  to << "usage: mkinstaller COMMAND [OPTIONS]\n\ncommands:\n";
  for (const auto& c : kCommands) to << "  " << c.name << "  " << c.summary << "\n";
  to << "\n'mkinstaller COMMAND --help' describes a command's options.\n";
}

}  // namespace

int runTool(plat::Platform& platform, const Args& args, Io& io) {
  if (args.empty()) {
    printUsage(io.err);
    return 1;
  }
  const std::string name = text::toUtf8(args[0]);
  if (name == "--help" || name == "-h") {
    printUsage(io.out);
    return 0;
  }
  for (const auto& c : kCommands) {
    if (c.name == name) return c.run(platform, Args(args.begin() + 1, args.end()), io);
  }
  io.err << "mkinstaller: unknown command '" << name << "'\n";
  printUsage(io.err);
  return 1;
}

}  // namespace mkinstaller
