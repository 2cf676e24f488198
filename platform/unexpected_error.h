// The log lines of an error that no step could name: the user learns whether memory ran out or
// the program failed, and the debug log keeps the error's own text.
#pragma once

#include <exception>

#include "platform/log.h"

namespace logs {

// Logs the error and returns its cause as the outcome of the failed step carries it.
Text logUnexpectedError(const Log& log, const std::exception& error);

}  // namespace logs
