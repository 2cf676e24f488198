#include "target/host_layout.h"

namespace target {

Text asHostFolder(std::u16string_view path) {
  return text::stripTrailingBackslashes(text::trim(path)) + u"\\";
}

}  // namespace target
