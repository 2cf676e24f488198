// Entry names stored without the UTF-8 flag are in the DOS code page 437.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace zipkit {

text::Text fromCp437(std::string_view bytes);

}  // namespace zipkit
