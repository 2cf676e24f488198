#include "accessorydb/jet/text_codec.h"

namespace jet {

namespace {

Error oddText() {
  return Error(u"Damaged database: a text value ends inside a character");
}

}  // namespace

text::Text decodeText(ByteView bytes) {
  text::Text out;
  const size_t n = bytes.size();
  const uint8_t* b = bytes.data();
  if (n > 2 && b[0] == 0xFF && b[1] == 0xFE) {
    out.reserve(n - 2);
    bool compressed = true;
    for (size_t i = 2; i < n;) {
      if (b[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        out.push_back(static_cast<char16_t>(b[i++]));
      } else {
        if (i + 1 >= n) throw oddText();
        out.push_back(static_cast<char16_t>(u16le(b + i)));
        i += 2;
      }
    }
    return out;
  }
  if (n % 2 != 0) throw oddText();
  out.resize(n / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(u16le(b + 2 * i));
  return out;
}

}  // namespace jet
