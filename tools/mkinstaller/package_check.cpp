#include "tools/mkinstaller/package_check.h"

#include <algorithm>
#include <cstdio>

namespace mkinstaller {

namespace {

// Entry names may hold control characters (the installer refuses them); shown as they are,
// they would break the line or the terminal.
std::string visible(const Text& s) {
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && s[i] >= 0x20) continue;
    out += text::toUtf8(std::u16string_view(s).substr(start, i - start));
    if (i < s.size()) {
      char code[16];
      std::snprintf(code, sizeof code, "<0x%02X>", static_cast<unsigned>(s[i]));
      out += code;
    }
    start = i + 1;
  }
  return out;
}

}  // namespace

bool hasErrors(const Findings& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const Finding& f) { return f.severity == Severity::Error; });
}

void printFindings(std::ostream& to, const Findings& findings) {
  for (const Finding& f : findings) {
    to << (f.severity == Severity::Error ? "error: " : "warning: ");
    if (!f.file.empty()) to << visible(f.file) << ": ";
    to << visible(f.problem) << '\n';
  }
}

}  // namespace mkinstaller
