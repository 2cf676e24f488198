#include "target/xpos.h"

#include "platform/text.h"

namespace target {

using text::foldAscii;

int XPos(std::u16string_view cSubStr, std::u16string_view cString) {
  const size_t nLen0 = cSubStr.size();
  const size_t nLen1 = cString.size();
  if (nLen1 < nLen0 || nLen0 == 0) return 0;
  const char16_t cFirst = foldAscii(cSubStr[0]);
  for (size_t nCnt = 0; nCnt + nLen0 <= nLen1; ++nCnt) {
    if (foldAscii(cString[nCnt]) != cFirst) continue;
    size_t k = 1;
    while (k < nLen0 && foldAscii(cString[nCnt + k]) == foldAscii(cSubStr[k])) ++k;
    if (k == nLen0) return static_cast<int>(nCnt + 1);
  }
  return 0;
}

}  // namespace target
