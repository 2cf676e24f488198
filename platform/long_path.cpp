#include "platform/long_path.h"

#include <algorithm>
#include <vector>

namespace plat {

namespace {

bool isSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool isDriveAbsolute(const Text& p) {
  const char16_t d = p.size() >= 3 ? static_cast<char16_t>(p[0] | 0x20) : 0;
  return d >= u'a' && d <= u'z' && p[1] == u':' && isSeparator(p[2]);
}

bool isUnc(const Text& p) {
  return p.size() > 2 && isSeparator(p[0]) && isSeparator(p[1]) && p[2] != u'?' && p[2] != u'.';
}

// The steps of path after its first `skip` characters, as Windows cleans them up.
std::vector<Text> cleanSteps(const Text& path, size_t skip) {
  std::vector<Text> steps;
  size_t start = skip;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    const Text step = path.substr(start, end - start);
    if (step == u"..") {
      if (!steps.empty()) steps.pop_back();
    } else if (!step.empty() && step != u".") {
      steps.push_back(step);
    }
    start = end + 1;
  }
  return steps;
}

}  // namespace

Text extendedLengthPath(const Text& path) {
  if (path.size() < kExtendedPathFrom) return path;
  Text root;
  std::vector<Text> steps;
  if (isDriveAbsolute(path)) {
    root = u"\\\\?\\" + path.substr(0, 2);
    steps = cleanSteps(path, 3);
  } else if (isUnc(path)) {
    // The server and the share are the root: ".." never climbs above them.
    size_t i = 2;
    const auto name = [&] {
      const size_t from = i;
      while (i < path.size() && !isSeparator(path[i])) ++i;
      const Text n = path.substr(from, i - from);
      while (i < path.size() && isSeparator(path[i])) ++i;
      return n;
    };
    const Text server = name();
    const Text share = name();
    if (share.empty() || server == u"." || server == u".." || share == u"." || share == u"..") {
      return path;
    }
    root = u"\\\\?\\UNC\\" + server + u"\\" + share;
    steps = cleanSteps(path, i);
  } else {
    return path;
  }
  Text out = root;
  for (const Text& step : steps) out += u"\\" + step;
  // A path that names a folder keeps its closing separator.
  if (isSeparator(path.back()) || steps.empty()) out += u"\\";
  return out;
}

}  // namespace plat
