#include "platform/text.h"

namespace text {

namespace {

void appendUtf16(Text& out, uint32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

// Decodes one UTF-8 sequence at s[i]; returns the code point or -1 when malformed,
// and advances i past what was consumed.
int32_t decodeOne(std::string_view s, size_t& i) {
  const auto b0 = static_cast<uint8_t>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra;
  uint32_t cp;
  uint32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return -1;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) return -1;
    const auto b = static_cast<uint8_t>(s[i]);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
    ++i;
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return static_cast<int32_t>(cp);
}

}  // namespace

Text fromUtf8(std::string_view s) {
  Text out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const int32_t cp = decodeOne(s, i);
    appendUtf16(out, cp < 0 ? 0xFFFD : static_cast<uint32_t>(cp));
  }
  return out;
}

bool isValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    if (decodeOne(s, i) < 0) return false;
  }
  return true;
}

std::string toUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

Text num(int64_t v) {
  const std::string s = std::to_string(v);
  return Text(s.begin(), s.end());
}

Text trim(std::u16string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && s[b] <= 0x20) ++b;
  while (e > b && s[e - 1] <= 0x20) --e;
  return Text(s.substr(b, e - b));
}

Text escapeControls(std::u16string_view s) {
  const auto isControl = [](char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
  };
  Text out;
  out.reserve(s.size());
  for (const char16_t c : s) {
    if (!isControl(c)) {
      out += c;
      continue;
    }
    constexpr char16_t kHex[] = u"0123456789ABCDEF";
    out += c > 0xFF ? u"\\u" : u"\\x";
    for (int shift = c > 0xFF ? 12 : 4; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
  }
  return out;
}

Text stripTrailingBackslashes(std::u16string_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == u'\\') --e;
  return Text(s.substr(0, e));
}

char16_t foldAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c & ~0x20) : c;
}

bool equalsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

Text lowerAscii(std::u16string_view s) {
  Text out(s);
  for (auto& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c | 0x20);
  }
  return out;
}

}  // namespace text
