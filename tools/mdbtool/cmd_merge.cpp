// mdbtool merge [--debug] NEW OLD DEST: the installer's merge of a package's accessory database
// (NEW) with the previous one (OLD, which may be missing) into a new database DEST, run by the
// installer's own merge step over this machine's files.
#include <cstdio>

#include "accessorydb/mdb_merge.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

namespace {

constexpr const char* kUsage = "merge [--debug] NEW OLD DEST";

}  // namespace

int runMerge(plat::Platform& fs, const Args& args) {
  bool debug = false;
  Args paths;
  for (const Text& a : args) {
    if (a == u"--debug") {
      debug = true;
    } else {
      paths.push_back(a);
    }
  }
  requireArgs(paths, 3, 3, kUsage);
  const Text& dest = paths[2];
  // The merge adds to an existing destination; here it must always start from an empty one.
  if (fs.fileExists(dest)) throw text::Error(u"the destination exists already: " + dest);

  // With --debug every line goes to stdout; otherwise a failure's last important line, as the
  // installer's status label would show it, goes to stderr.
  Text lastImportant;
  const logs::Log log(debug ? logs::DEBUG : logs::IMPORTANT,
                      [&](logs::Level level, const Text& line) {
                        if (debug) std::printf("%s\n", text::toUtf8(line).c_str());
                        if (level == logs::IMPORTANT) lastImportant = line;
                      });
  const bool merged = accessorydb::mergeDatabases(fs, {paths[0], paths[1], dest}, log).merged();
  if (!debug && !merged) std::fprintf(stderr, "%s\n", text::toUtf8(lastImportant).c_str());
  return merged ? 0 : 1;
}

}  // namespace mdbtool
