// Windows' classic file functions refuse paths of MAX_PATH (260) characters or more, and
// CreateDirectory 248 or more, unless the path has the extended-length form "\\?\C:\...".
// That form skips Windows' own clean-up of the path, so it is given only to absolute paths,
// cleaned up here the way Windows would.
#pragma once

#include "platform/text.h"

namespace plat {

using text::Text;

// From this length on a path goes to Windows in its extended-length form: the folder limit,
// the lower of the two.
inline constexpr size_t kExtendedPathFrom = 248;

// The path as Windows' file functions take it: unchanged when shorter than kExtendedPathFrom,
// already extended, or not absolute ("C:\..." or "\\server\share\..."); otherwise "\\?\C:\..."
// or "\\?\UNC\server\share\...", with "/" read as "\", repeated separators and "." steps
// dropped and ".." steps taken back, never above the drive or the share.
Text extendedLengthPath(const Text& path);

}  // namespace plat
