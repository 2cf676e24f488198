#include "app/command_line.h"

#include <array>

namespace app {

using text::Text;

namespace {

bool isDebugSwitch(const Text& arg) {
  static const std::array<Text, 4> kSwitches = {u"/d", u"/debug", u"d", u"debug"};
  const Text lower = text::lowerAscii(arg);
  for (const auto& s : kSwitches) {
    if (lower == s) return true;
  }
  return false;
}

bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

bool startsWithSwitch(const Text& s, std::u16string_view name) {
  return text::lowerAscii(s.substr(0, name.size())) == name;
}

// One argument as Windows splits a command line: where it starts in the line, and its text.
struct Argument {
  size_t start;
  Text text;
};

size_t skipBlanks(const Text& raw, size_t at) {
  while (at < raw.size() && isBlank(raw[at])) ++at;
  return at;
}

// The program name ends at the first blank, or at the closing quote when it starts with one;
// backslashes mean nothing in it.
size_t programNameEnd(const Text& raw) {
  if (!raw.empty() && raw[0] == u'"') {
    const size_t close = raw.find(u'"', 1);
    return close == Text::npos ? raw.size() : close + 1;
  }
  size_t at = 0;
  while (at < raw.size() && !isBlank(raw[at])) ++at;
  return at;
}

// The argument at `at`: 2n backslashes before a quote give n and the quote opens or closes,
// 2n+1 give n and a literal quote, "" inside quotes gives a quote, other backslashes stay.
Argument readArgument(const Text& raw, size_t& at) {
  Argument arg{at, {}};
  bool quoted = false;
  while (at < raw.size() && (quoted || !isBlank(raw[at]))) {
    size_t slashes = 0;
    while (at < raw.size() && raw[at] == u'\\') {
      ++slashes;
      ++at;
    }
    if (at < raw.size() && raw[at] == u'"') {
      arg.text.append(slashes / 2, u'\\');
      if (slashes % 2 == 1) {
        arg.text += u'"';
      } else if (quoted && at + 1 < raw.size() && raw[at + 1] == u'"') {
        arg.text += u'"';
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    } else {
      arg.text.append(slashes, u'\\');
      if (slashes == 0 && at < raw.size()) arg.text += raw[at++];
    }
  }
  return arg;
}

Text trimEndBlanks(Text s) {
  while (!s.empty() && isBlank(s.back())) s.pop_back();
  return s;
}

// A backslash before the closing quote stays: it belongs to the path.
Text unquoted(Text s) {
  if (s.empty() || s.front() != u'"') return s;
  s.erase(0, 1);
  if (!s.empty() && s.back() == u'"') s.pop_back();
  return s;
}

// The host folder of "/D=": the raw rest of the line from the switch on.
Text hostFolderOfRest(const Text& rest) {
  return unquoted(unquoted(trimEndBlanks(rest)).substr(3));  // after "/D="
}

}  // namespace

CommandLine parseCommandLine(const std::vector<Text>& args) {
  CommandLine line;
  line.debug = !args.empty() && isDebugSwitch(args.front());
  return line;
}

CommandLine parseRawCommandLine(const Text& raw) {
  std::vector<Argument> args;
  size_t at = skipBlanks(raw, programNameEnd(raw));
  std::optional<Text> hostFolder;
  while (at < raw.size()) {
    Argument arg = readArgument(raw, at);
    if (startsWithSwitch(arg.text, u"/d=")) {
      hostFolder = hostFolderOfRest(raw.substr(arg.start));
      break;
    }
    args.push_back(std::move(arg));
    at = skipBlanks(raw, at);
  }

  CommandLine line;
  for (size_t i = 0; i < args.size(); ++i) {
    const Text& a = args[i].text;
    // A repeated switch is not taken: which of the two was meant is anybody's guess.
    bool taken = true;
    if (text::lowerAscii(a) == u"/s") {
      taken = !line.silent;
      line.silent = true;
    } else if (startsWithSwitch(a, u"/log=") && a.size() > 5) {
      taken = !line.logFile;
      if (taken) line.logFile = a.substr(5);
    } else if (i == 0 && isDebugSwitch(a)) {
      line.debug = true;
    } else {
      taken = false;
    }
    if (!taken && !line.unknown) line.unknown = a;
  }
  if (hostFolder && hostFolder->empty() && !line.unknown) line.unknown = u"/D=";
  if (!line.silent) {
    line.unknown.reset();
    return line;
  }
  line.hostFolder = hostFolder;
  return line;
}

}  // namespace app
