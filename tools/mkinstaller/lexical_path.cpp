#include "tools/mkinstaller/lexical_path.h"

#include <algorithm>
#include <vector>

namespace mkinstaller {

using text::Text;

namespace {

bool isAbsolute(const Text& path) {
  return path.starts_with(u'\\') || path.starts_with(u'/') || (path.size() >= 2 && path[1] == u':');
}

}  // namespace

Text comparablePath(const Text& path, const Text& currentDir) {
  Text full = isAbsolute(path) ? path : currentDir + u"\\" + path;
  std::replace(full.begin(), full.end(), u'/', u'\\');
  const bool rooted = full.starts_with(u'\\');
  std::vector<Text> steps;
  size_t keep = 0;  // a drive ("C:") is never climbed out of
  for (size_t start = 0; start <= full.size();) {
    const size_t end = std::min(full.find(u'\\', start), full.size());
    const Text step = full.substr(start, end - start);
    start = end + 1;
    if (step.empty() || step == u".") continue;
    if (step == u"..") {
      if (steps.size() > keep) steps.pop_back();
      continue;
    }
    steps.push_back(text::lowerAscii(step));
    if (steps.size() == 1 && !rooted && step.size() == 2 && step[1] == u':') keep = 1;
  }
  Text out = rooted ? u"\\" : u"";
  for (size_t i = 0; i < steps.size(); ++i) out += (i == 0 ? u"" : u"\\") + steps[i];
  return out;
}

bool isSamePath(const Text& a, const Text& b, const Text& currentDir) {
  return comparablePath(a, currentDir) == comparablePath(b, currentDir);
}

bool isInsideFolder(const Text& path, const Text& folder, const Text& currentDir) {
  const Text p = comparablePath(path, currentDir);
  Text f = comparablePath(folder, currentDir);
  if (!f.ends_with(u'\\')) f += u'\\';
  return p.size() > f.size() && p.starts_with(f);
}

}  // namespace mkinstaller
