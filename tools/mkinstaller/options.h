// Option parsing shared by the subcommands: "--name VALUE" pairs and "--help".
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
  std::map<std::string, text::Text> values;  // keyed by the option's canonical name

  // The value of a required option; throws UsageError when it was not given.
  const text::Text& required(const std::string& name) const;
};

struct OptionSpec {
  std::string name;   // canonical, e.g. "--output"
  std::string alias;  // e.g. "-o"; empty when none
};

// Every option in specs takes one value; each may appear once. Throws UsageError on an unknown
// option, a missing value, a repeated option or a stray argument.
Options parseOptions(const std::vector<text::Text>& args, const std::vector<OptionSpec>& specs);

}  // namespace mkinstaller
