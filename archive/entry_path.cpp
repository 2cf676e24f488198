#include "archive/entry_path.h"

#include <algorithm>
#include <array>

#include "archive/zip_error.h"

namespace zipkit {

namespace {

bool isSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

// Windows drops trailing dots and blanks of a path step, so "..." and ". ." climb as ".." does.
bool climbsUp(std::u16string_view step) {
  const bool onlyDotsAndBlanks =
      std::all_of(step.begin(), step.end(), [](char16_t c) { return c == u'.' || c == u' '; });
  return onlyDotsAndBlanks && std::count(step.begin(), step.end(), u'.') >= 2;
}

// Windows takes a step whose part before the first dot, less trailing blanks, is a device name
// for that device in every folder: "nul.txt" and "CON .jpg" write nowhere near the folder.
bool isDeviceName(std::u16string_view step) {
  std::u16string_view base = step.substr(0, step.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  static constexpr std::array<std::u16string_view, 6> kDevices = {u"CON", u"PRN",    u"AUX",
                                                                  u"NUL", u"CONIN$", u"CONOUT$"};
  if (std::any_of(kDevices.begin(), kDevices.end(), [&](std::u16string_view device) {
        return text::equalsIgnoreAsciiCase(base, device);
      })) {
    return true;
  }
  if (base.size() != 4) return false;
  const std::u16string_view port = base.substr(0, 3);
  if (!text::equalsIgnoreAsciiCase(port, u"COM") && !text::equalsIgnoreAsciiCase(port, u"LPT")) {
    return false;
  }
  // The port number: 1 to 9, or the Latin-1 superscripts, which Windows reads as digits too.
  const char16_t digit = base[3];
  return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
         digit == u'\u00B3';
}

// The longest file or folder name NTFS and FAT32 store, in UTF-16 units.
constexpr size_t kMaxNameLength = 255;

std::optional<UnsafeName> stepFault(std::u16string_view step) {
  if (step.size() > kMaxNameLength) return UnsafeName::NameTooLong;
  if (climbsUp(step)) return UnsafeName::ParentStep;
  if (isDeviceName(step)) return UnsafeName::DeviceName;
  // Windows would store "a." and "a " as "a": two entries could land on one file.
  if (!step.empty() && (step.back() == u'.' || step.back() == u' ')) {
    return UnsafeName::TrailingDotOrBlank;
  }
  return std::nullopt;
}

}  // namespace

std::optional<NameFault> nameFault(std::u16string_view name) {
  if (name.empty()) return NameFault{UnsafeName::Empty, {}};
  if (isSeparator(name.front())) return NameFault{UnsafeName::Absolute, {}};
  // Control characters (NUL cuts the path short on its way to the system) are no part of a
  // Windows file name, and a colon names a drive or a data stream.
  if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20; })) {
    return NameFault{UnsafeName::ControlCharacter, {}};
  }
  if (name.find(u':') != std::u16string_view::npos) {
    return NameFault{UnsafeName::DriveOrStream, {}};
  }
  if (name.find_first_of(u"<>\"|?*") != std::u16string_view::npos) {
    return NameFault{UnsafeName::ReservedCharacter, {}};
  }
  size_t start = 0;
  while (start <= name.size()) {
    const auto sep = std::find_if(name.begin() + start, name.end(), isSeparator);
    const size_t stop = static_cast<size_t>(sep - name.begin());
    const std::u16string_view step = name.substr(start, stop - start);
    if (const std::optional<UnsafeName> kind = stepFault(step)) {
      return NameFault{*kind, text::Text(step)};
    }
    start = stop + 1;
  }
  return std::nullopt;
}

EntryTarget entryTarget(const text::Text& folder, const text::Text& name) {
  if (nameFault(name)) throw ZipError(entryMessage(u"Niedozwolona ścieżka w archiwum: ", name));
  text::Text relative = name;
  std::replace(relative.begin(), relative.end(), u'/', u'\\');
  EntryTarget target;
  target.path = folder + relative;
  target.isFolder = relative.back() == u'\\';
  const size_t lastSep = target.path.rfind(u'\\');
  target.parentDir = text::stripTrailingBackslashes(
      std::u16string_view(target.path).substr(0, lastSep == text::Text::npos ? 0 : lastSep));
  return target;
}

}  // namespace zipkit
