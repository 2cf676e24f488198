// The installer's wording of a caught error: every line it logs is Polish, while the engine
// words its errors in English for its own tools.
#pragma once

#include "platform/text.h"

namespace accessorydb {

// The Polish sentence for an error: the engine's errors worded from their kind and names, every
// other error's message as it is (the platform and the ZIP reader already speak Polish).
text::Text errorText(const text::Error& e);

}  // namespace accessorydb
