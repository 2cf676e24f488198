// Paths compared as text, so that the tool can refuse to write its output over one of its inputs
// before it opens anything. Links are not followed.
#pragma once

#include "platform/text.h"

namespace mkinstaller {

// A comparable form of path: made absolute against currentDir, "/" taken as "\", "." and ".."
// steps resolved, no trailing "\", ASCII letters folded (Windows compares names without regard
// to case). Only for comparing; never a path to open.
text::Text comparablePath(const text::Text& path, const text::Text& currentDir);

bool isSamePath(const text::Text& a, const text::Text& b, const text::Text& currentDir);
// True when path lies below folder, at any depth (not when it is folder itself).
bool isInsideFolder(const text::Text& path, const text::Text& folder, const text::Text& currentDir);

}  // namespace mkinstaller
