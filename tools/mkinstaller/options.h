// Option parsing shared by the subcommands: "--name VALUE" pairs, "--help" and positional
// arguments such as a folder to work on.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/text.h"

namespace mkinstaller {

// A wrong command line; the message says what is wrong.
class UsageError : public text::Error {
 public:
  using text::Error::Error;
};

struct Options {
  bool help = false;
  // Keyed by the option's canonical name, or a positional argument's name.
  std::map<std::string, text::Text> values;

  // The value of a required option or positional argument; throws UsageError when it was not
  // given.
  const text::Text& required(const std::string& name) const;
};

struct OptionName {
  std::string name;   // canonical, e.g. "--output"
  std::string alias;  // e.g. "-o"; empty when none
};

// Every option in known takes one value; each may appear once. Arguments that are not options
// fill the positional names in order (e.g. "PACKAGE_DIR"). Throws UsageError on an unknown
// option, a missing value, a repeated option or an argument beyond the positional ones.
Options parseOptions(const std::vector<text::Text>& args, const std::vector<OptionName>& known,
                     const std::vector<std::string>& positionals = {});

}  // namespace mkinstaller
