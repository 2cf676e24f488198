// Text helpers. All text in the program is UTF-16 (std::u16string), as on Windows;
// UTF-8 is used only at the edges (console, JSON, Linux file names).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace text {

using Text = std::u16string;

// UTF-8 -> UTF-16. Invalid sequences become U+FFFD.
Text fromUtf8(std::string_view s);
// UTF-16 -> UTF-8. A lone surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view s);

// Strict UTF-8 check: true only for well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view s);

// Decimal representation of a signed integer.
Text num(int64_t v);

// Removes every character with a code up to and including U+0020 at both ends.
Text trim(std::u16string_view s);

// Control characters (C0, DEL, C1) as \xNN and the Unicode line and paragraph separators as
// \uNNNN, so that text from outside cannot break or forge a line.
Text escapeControls(std::u16string_view s);

// Removes every trailing '\\'.
Text stripTrailingBackslashes(std::u16string_view s);

// Folds ASCII a..z to A..Z; every other unit is left as it is.
char16_t foldAscii(char16_t c);
bool equalsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);
Text lowerAscii(std::u16string_view s);

// An exception that carries a message shown to the user as it is (UTF-16).
class Error : public std::runtime_error {
 public:
  explicit Error(Text message)
      : std::runtime_error(toUtf8(message)), message_(std::move(message)) {}
  const Text& message() const { return message_; }

 private:
  Text message_;
};

}  // namespace text

// Short literal helper for tests and code: u"..." literals are already UTF-16.
