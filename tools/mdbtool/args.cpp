#include "tools/mdbtool/commands.h"

namespace mdbtool {

void requireArgs(const Args& args, size_t min, size_t max, const char* usage) {
  if (args.size() < min || args.size() > max) {
    throw text::Error(u"wrong arguments; usage: mdbtool " + text::fromUtf8(usage));
  }
}

}  // namespace mdbtool
