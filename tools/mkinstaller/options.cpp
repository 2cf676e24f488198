#include "tools/mkinstaller/options.h"

namespace mkinstaller {

const text::Text& Options::required(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end()) throw UsageError(u"missing option " + text::fromUtf8(name));
  return it->second;
}

Options parseOptions(const std::vector<text::Text>& args, const std::vector<OptionSpec>& specs) {
  Options opts;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string arg = text::toUtf8(args[i]);
    if (arg == "--help" || arg == "-h") {
      opts.help = true;
      continue;
    }
    const OptionSpec* spec = nullptr;
    for (const auto& s : specs) {
      if (arg == s.name || (!s.alias.empty() && arg == s.alias)) spec = &s;
    }
    if (spec == nullptr) {
      throw UsageError((arg.starts_with("-") ? u"unknown option " : u"unexpected argument ") +
                       args[i]);
    }
    if (i + 1 >= args.size()) throw UsageError(u"option " + args[i] + u" needs a value");
    if (!opts.values.emplace(spec->name, args[++i]).second) {
      throw UsageError(u"option " + text::fromUtf8(spec->name) + u" given twice");
    }
  }
  return opts;
}

}  // namespace mkinstaller
