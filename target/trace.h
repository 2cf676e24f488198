// Where the checks of the target folder send their trace lines: the window's log at the debug
// level, or nowhere when a check must stay silent.
#pragma once

#include <functional>

#include "platform/text.h"

namespace app {

using Trace = std::function<void(const text::Text&)>;

}  // namespace app
