#include "target/wildcard.h"

#include "platform/text.h"

namespace target {

bool matchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  constexpr size_t kNone = std::u16string_view::npos;
  size_t p = 0;
  size_t n = 0;
  // The last '*' seen and the name position its run currently ends at: on a mismatch the run
  // grows by one character and matching resumes after the '*'.
  size_t star = kNone;
  size_t starEnd = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      starEnd = n;
    } else if (p < pattern.size() && text::foldAscii(pattern[p]) == text::foldAscii(name[n])) {
      ++p;
      ++n;
    } else if (star != kNone) {
      p = star + 1;
      n = ++starEnd;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace target
