#include "app/command_line.h"

#include <array>

namespace app {

namespace {

bool isDebugSwitch(const text::Text& arg) {
  static const std::array<text::Text, 4> kSwitches = {u"/d", u"/debug", u"d", u"debug"};
  const text::Text lower = text::lowerAscii(arg);
  for (const auto& s : kSwitches) {
    if (lower == s) return true;
  }
  return false;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<text::Text>& args) {
  CommandLine line;
  line.debug = !args.empty() && isDebugSwitch(args.front());
  return line;
}

}  // namespace app
