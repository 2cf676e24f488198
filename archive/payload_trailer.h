// The package trailer at the end of an installer: the archive's offset in decimal, 20 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace layout {

constexpr int kTrailerSize = 20;

// Parses the trailer bytes: UTF-8 (a leading EF BB BF is skipped), leading blanks, an optional
// sign, then decimal digits up to the end. Nothing else is accepted: no trailing blank or line
// break, no other spelling, no value outside 64 bits.
std::optional<int64_t> parseTrailer(std::string_view bytes);

}  // namespace layout
