#include "tools/mdbtool/json_parse.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace mdbtool {

namespace {

using text::Text;

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  JsonObject object() {
    JsonObject out;
    skipSpace();
    expect('{');
    skipSpace();
    if (peek() == '}') {
      ++i_;
    } else {
      for (;;) {
        skipSpace();
        Text key = string();
        for (const auto& member : out) {
          if (member.first == key) fail("the key \"" + text::toUtf8(key) + "\" repeats");
        }
        skipSpace();
        expect(':');
        skipSpace();
        JsonScalar v = scalar();
        out.emplace_back(std::move(key), std::move(v));
        skipSpace();
        if (peek() == ',') {
          ++i_;
          continue;
        }
        expect('}');
        break;
      }
    }
    skipSpace();
    if (i_ != s_.size()) fail("text after the object");
    return out;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw text::Error(text::fromUtf8("column " + std::to_string(i_ + 1) + ": " + what));
  }
  char peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
  void expect(char c) {
    if (peek() != c) fail(std::string("expected '") + c + "'");
    ++i_;
  }
  void skipSpace() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
  }
  bool literal(std::string_view word) {
    if (s_.substr(i_, word.size()) != word) return false;
    i_ += word.size();
    return true;
  }

  JsonScalar scalar() {
    const char c = peek();
    if (c == '"') return string();
    if (literal("null")) return JsonNull{};
    if (literal("true")) return true;
    if (literal("false")) return false;
    if (c == '-' || (c >= '0' && c <= '9')) return number();
    if (c == '[' || c == '{') fail("arrays and objects are not column values");
    fail("expected a value");
  }

  JsonScalar number() {
    const size_t start = i_;
    bool whole = true;
    if (peek() == '-') ++i_;
    if (!(peek() >= '0' && peek() <= '9')) fail("a malformed number");
    while (i_ < s_.size() &&
           std::string_view("0123456789+-.eE").find(s_[i_]) != std::string_view::npos) {
      if (s_[i_] == '.' || s_[i_] == 'e' || s_[i_] == 'E') whole = false;
      ++i_;
    }
    const std::string_view digits = s_.substr(start, i_ - start);
    if (whole) {
      int64_t v = 0;
      const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
      if (r.ec == std::errc() && r.ptr == digits.data() + digits.size()) return v;
    }
    const std::string copy(digits);
    char* end = nullptr;
    const double d = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(d)) {
      i_ = start;
      fail("a malformed number");
    }
    return d;
  }

  unsigned hex4() {
    if (i_ + 4 > s_.size()) fail("a short \\u escape");
    unsigned v = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = s_[i_++];
      v <<= 4;
      if (h >= '0' && h <= '9')
        v |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f')
        v |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        v |= static_cast<unsigned>(h - 'A' + 10);
      else
        fail("a malformed \\u escape");
    }
    return v;
  }

  Text string() {
    expect('"');
    Text out;
    size_t run = i_;  // start of plain UTF-8 bytes not yet converted
    const auto flush = [&] { out += text::fromUtf8(s_.substr(run, i_ - run)); };
    for (;;) {
      if (i_ >= s_.size()) fail("an unterminated string");
      const char c = s_[i_];
      if (c == '"') {
        flush();
        ++i_;
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) fail("a control character inside a string");
      if (c != '\\') {
        ++i_;
        continue;
      }
      flush();
      ++i_;
      const char e = peek();
      ++i_;
      switch (e) {
        case '"':
          out += u'"';
          break;
        case '\\':
          out += u'\\';
          break;
        case '/':
          out += u'/';
          break;
        case 'b':
          out += u'\b';
          break;
        case 'f':
          out += u'\f';
          break;
        case 'n':
          out += u'\n';
          break;
        case 'r':
          out += u'\r';
          break;
        case 't':
          out += u'\t';
          break;
        case 'u':
          out += static_cast<char16_t>(hex4());
          break;
        default:
          --i_;
          fail("an unknown escape");
      }
      run = i_;
    }
  }

  std::string_view s_;
  size_t i_ = 0;
};

}  // namespace

JsonObject parseJsonObject(std::string_view line) {
  if (!text::isValidUtf8(line)) throw text::Error(u"the line is not valid UTF-8");
  return Parser(line).object();
}

}  // namespace mdbtool
