#include "accessorydb/jet/text_codec.h"

#include <algorithm>

namespace jet {

namespace {

Error oddText() {
  return Error(ErrorKind::Damaged, u"Damaged database: a text value ends inside a character");
}

}  // namespace

text::Text decodeText(ByteView bytes) {
  text::Text out;
  decodeText(bytes, out);
  return out;
}

void decodeText(ByteView bytes, text::Text& out) {
  const size_t n = bytes.size();
  const uint8_t* b = bytes.data();
  constexpr size_t kMarker = sizeof kCompressedTextMarker;
  if (n > kMarker && std::equal(b, b + kMarker, kCompressedTextMarker)) {
    out.clear();
    out.reserve(n - kMarker);
    bool compressed = true;
    for (size_t i = kMarker; i < n;) {
      if (b[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        out.push_back(static_cast<char16_t>(b[i++]));
      } else {
        if (i + kTextCharSize > n) throw oddText();
        out.push_back(static_cast<char16_t>(u16le(b + i)));
        i += kTextCharSize;
      }
    }
    return;
  }
  if (n % kTextCharSize != 0) throw oddText();
  out.resize(n / kTextCharSize);
  bytes::get16s(b, out.data(), out.size());
}

}  // namespace jet
