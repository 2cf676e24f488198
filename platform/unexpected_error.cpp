#include "platform/unexpected_error.h"

#include <new>

namespace logs {

Text logUnexpectedError(const Log& log, const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error)) {
    const Text message = u"Za mało pamięci, aby dokończyć instalację.";
    log.important(message);
    return message;
  }
  log.important(u"Nieoczekiwany błąd programu.");
  const Text cause = text::fromUtf8(error.what());
  log.debug(cause);
  return cause;
}

}  // namespace logs
