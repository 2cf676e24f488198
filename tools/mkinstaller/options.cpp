#include "tools/mkinstaller/options.h"

namespace mkinstaller {

const text::Text& Options::required(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end()) {
    throw UsageError((name.starts_with("-") ? u"missing option " : u"missing argument ") +
                     text::fromUtf8(name));
  }
  return it->second;
}

Options parseOptions(const std::vector<text::Text>& args, const std::vector<OptionName>& known,
                     const std::vector<std::string>& positionals) {
  Options opts;
  size_t positionalsTaken = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string arg = text::toUtf8(args[i]);
    if (arg == "--help" || arg == "-h") {
      opts.help = true;
      continue;
    }
    const OptionName* option = nullptr;
    for (const auto& s : known) {
      if (arg == s.name || (!s.alias.empty() && arg == s.alias)) option = &s;
    }
    if (option == nullptr) {
      if (arg.starts_with("-")) throw UsageError(u"unknown option " + args[i]);
      if (positionalsTaken == positionals.size()) {
        throw UsageError(u"unexpected argument " + args[i]);
      }
      opts.values.emplace(positionals[positionalsTaken++], args[i]);
      continue;
    }
    if (i + 1 >= args.size()) throw UsageError(u"option " + args[i] + u" needs a value");
    if (!opts.values.emplace(option->name, args[++i]).second) {
      throw UsageError(u"option " + text::fromUtf8(option->name) + u" given twice");
    }
  }
  return opts;
}

}  // namespace mkinstaller
