#include <algorithm>
#include <array>

#include "tools/mkinstaller/command.h"
#include "tools/mkinstaller/options.h"

namespace mkinstaller {

namespace {

constexpr std::array kCommands{
    Command{"append", "append a package archive and its trailer to the installer program",
            runAppend},
    Command{"build", "check a package folder and build its installer", runBuild},
    Command{"verify", "check a finished installer as the installer will read it", runVerify},
};

void printUsage(std::ostream& to) {
  to << "usage: mkinstaller COMMAND [OPTIONS]\n\ncommands:\n";
  size_t width = 0;
  for (const auto& c : kCommands) width = std::max(width, c.name.size());
  for (const auto& c : kCommands) {
    to << "  " << c.name << std::string(width - c.name.size() + 2, ' ') << c.summary << "\n";
  }
  to << "\n'mkinstaller COMMAND --help' describes a command's options.\n";
}

}  // namespace

int runGuarded(std::string_view name, std::string_view usage, Io& io,
               const std::function<int()>& body) {
  try {
    return body();
  } catch (const UsageError& e) {
    io.err << "mkinstaller " << name << ": " << e.what() << "\n" << usage;
  } catch (const text::Error& e) {
    io.err << "mkinstaller " << name << ": " << e.what() << "\n";
  }
  return 1;
}

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
