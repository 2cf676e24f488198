// The engine's one exception type.
#pragma once

#include "platform/text.h"

namespace jet {

// Every engine failure; the message names the cause (shown to the user as it is).
class Error : public text::Error {
 public:
  using text::Error::Error;
};

}  // namespace jet
