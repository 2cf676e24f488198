// mdbtool merge [--debug] NEW OLD DEST: the installer's merge of a package's accessory database
// (NEW) with the previous one (OLD, which may be missing) into a new database DEST, run by the
// installer's own main window over this machine's files.
#include <cstdio>

#include "app/form1.h"
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

  app::WindowModel window;
  app::TForm1 form(fs, window);
  form.log_level = debug ? app::DEBUG : app::IMPORTANT;
  const bool merged = form.CopyMdb(paths[0], paths[1], dest);
  if (debug) {
    for (const Text& line : window.memoLines()) std::printf("%s\n", text::toUtf8(line).c_str());
  } else if (!merged) {
    std::fprintf(stderr, "%s\n", text::toUtf8(window.infoLabel()).c_str());
  }
  return merged ? 0 : 1;
}

}  // namespace mdbtool
