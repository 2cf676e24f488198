// Position of a word inside a process name, with the letters a..z compared without regard to case.
#pragma once

#include <string_view>

namespace target {

// 1-based position of the first occurrence of cSubStr in cString, or 0 when there is none or
// cSubStr is empty. Only a..z are folded; every other UTF-16 unit (accented letters too) must
// be equal.
int XPos(std::u16string_view cSubStr, std::u16string_view cString);

}  // namespace target
