// Readable failure output for UTF-16 lines.
#pragma once

#include <string>
#include <vector>

#include "platform/text.h"

namespace testsupport {

inline std::vector<std::string> utf8(const std::vector<text::Text>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(text::toUtf8(l));
  return out;
}

}  // namespace testsupport
