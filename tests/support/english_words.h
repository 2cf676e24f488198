// The check that keeps the installer's log Polish: English words that a message left untranslated
// would almost surely contain.
#pragma once

#include <string>
#include <vector>

#include "platform/text.h"

namespace apptest {

// The words of the list found in line as whole words, in any letter case. A word is a run of
// letters, Polish ones included, so "Tabela" or "notes" never count as "table" or "not".
inline std::vector<std::string> englishWords(const text::Text& line) {
  static const char* const kWords[] = {"the",  "cannot", "table",    "column",
                                       "file", "error",  "database", "not"};
  auto isLetter = [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c >= 0x80;
  };
  std::vector<std::string> found;
  for (size_t i = 0; i < line.size();) {
    if (!isLetter(line[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < line.size() && isLetter(line[end])) ++end;
    const std::string word = text::toUtf8(text::lowerAscii(line.substr(i, end - i)));
    for (const char* w : kWords) {
      if (word == w) found.push_back(word);
    }
    i = end;
  }
  return found;
}

}  // namespace apptest
