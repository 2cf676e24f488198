// Folder name patterns such as "CAD *".
#pragma once

#include <string_view>

namespace target {

// True when the whole name matches the pattern: '*' stands for any run of characters (none
// included), the letters a..z match without regard to case, every other character must be equal.
bool matchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace target
