// mdbtool: inspect, check, create and fill Jet 4 (.mdb) files from the command line.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "platform/host_platform.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

namespace {

struct Command {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(plat::Platform&, const Args&);
};

// One line per subcommand.
const Command kCommands[] = {
    {"tables", "FILE", "user tables, one a line", runTables},
    {"schema", "FILE [TABLE]", "columns and indexes of every (or one) user table", runSchema},
    {"export", "FILE TABLE", "rows as JSON Lines, keys in table order", runExport},
    {"create", "FILE", "a new, empty accessory database (info_producent and Dodatki)", runCreate},
    {"import", "FILE TABLE", "append rows from JSON Lines on stdin", runImport},
    {"check", "FILE [TABLE]", "strict check of tables, their maps and indexes", runCheck},
    {"merge", "[--debug] NEW OLD DEST", "the installer's merge of NEW and OLD into a new DEST",
     runMerge},
};

void printHelp(FILE* to) {
  std::fprintf(to, "usage: mdbtool COMMAND ARGS...\n\ncommands:\n");
  for (const Command& c : kCommands) {
    std::fprintf(to, "  %s %s\n      %s\n", c.name, c.usage, c.summary);
  }
}

int run(plat::Platform& fs) {
  const Args all = fs.commandLineArgs();
  if (all.empty()) {
    printHelp(stderr);
    return 1;
  }
  const std::string name = text::toUtf8(all[0]);
  if (name == "--help" || name == "-h" || name == "help") {
    printHelp(stdout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (name != c.name) continue;
    const Args args(all.begin() + 1, all.end());
    if (!args.empty() && (args[0] == u"--help" || args[0] == u"-h")) {
      std::printf("usage: mdbtool %s %s\n  %s\n", c.name, c.usage, c.summary);
      return 0;
    }
    return c.run(fs, args);
  }
  std::fprintf(stderr, "mdbtool: unknown command '%s' (see mdbtool --help)\n", name.c_str());
  return 1;
}

}  // namespace

}  // namespace mdbtool

int main() {
  try {
    auto fs = plat::makeHostPlatform();
    const int rc = mdbtool::run(*fs);
    if (std::fflush(stdout) != 0) throw text::Error(u"cannot write the output");
    return rc;
  } catch (const text::Error& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "mdbtool: %s\n", e.what());
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "mdbtool: %s\n", e.what());
  }
  return 1;
}
