// The error every ZIP reader and writer failure is raised as; its message is a Polish sentence
// for the log and names the entry concerned between grave accents.
#pragma once

#include "platform/text.h"

namespace zipkit {

class ZipError : public text::Error {
 public:
  using text::Error::Error;
};

// message + "`" + name + "`", the shape of every per-entry message.
inline text::Text entryMessage(std::u16string_view message, std::u16string_view name) {
  text::Text out(message);
  out += u'`';
  out += name;
  out += u'`';
  return out;
}

}  // namespace zipkit
