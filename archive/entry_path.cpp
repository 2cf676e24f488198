#include "archive/entry_path.h"

#include <algorithm>

#include "archive/zip_error.h"

namespace zipkit {

namespace {

// Windows drops trailing dots and blanks of a path step, so "..." and ". ." climb as ".." does.
bool climbsUp(std::u16string_view step) {
  const bool onlyDotsAndBlanks =
      std::all_of(step.begin(), step.end(), [](char16_t c) { return c == u'.' || c == u' '; });
  return onlyDotsAndBlanks && std::count(step.begin(), step.end(), u'.') >= 2;
}

bool isSafeRelative(std::u16string_view name) {
  if (name.empty() || name.front() == u'\\') return false;
  // A colon names a drive or a data stream; control characters (NUL cuts the path short on
  // its way to the system) are no part of a Windows file name.
  if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c == u':' || c < 0x20; })) {
    return false;
  }
  size_t start = 0;
  while (start <= name.size()) {
    const size_t stop = std::min(name.find(u'\\', start), name.size());
    if (climbsUp(name.substr(start, stop - start))) return false;
    start = stop + 1;
  }
  return true;
}

}  // namespace

EntryTarget entryTarget(const text::Text& folder, const text::Text& name) {
  text::Text relative = name;
  std::replace(relative.begin(), relative.end(), u'/', u'\\');
  if (!isSafeRelative(relative)) {
    throw ZipError(entryMessage(u"Niedozwolona ścieżka w archiwum: ", name));
  }
  EntryTarget target;
  target.path = folder + relative;
  target.isFolder = relative.back() == u'\\';
  const size_t lastSep = target.path.rfind(u'\\');
  target.parentDir = text::stripTrailingBackslashes(
      std::u16string_view(target.path).substr(0, lastSep == text::Text::npos ? 0 : lastSep));
  return target;
}

}  // namespace zipkit
