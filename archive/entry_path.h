// Where an entry of an archive lands below the folder it is extracted into.
#pragma once

#include <optional>

#include "platform/text.h"

namespace zipkit {

struct EntryTarget {
  text::Text path;        // folder + name, every "/" turned into "\"
  text::Text parentDir;   // the folder that must exist before writing, without a final "\"
  bool isFolder = false;  // the name ends with "\": only the folder is created
};

// Why a name may not be unpacked below a folder.
enum class UnsafeName {
  Empty,
  Absolute,            // starts with "\" (or "/")
  DriveOrStream,       // holds ":"
  ControlCharacter,    // holds a character below U+0020, NUL included
  ReservedCharacter,   // holds one of < > " | ? *, which no Windows file name may hold
  ParentStep,          // a step of dots and blanks with two dots or more: ".." as Windows reads it
  DeviceName,          // a step Windows opens as a device: CON, NUL, COM1, CON.txt, "nul .x"
  TrailingDotOrBlank,  // a step ending with "." or " ", which Windows drops
  NameTooLong,         // a step of more than the 255 characters a Windows name may have
};

struct NameFault {
  UnsafeName kind;
  text::Text step;  // the path step at fault; empty for faults of the whole name
};

// The first fault of an archive entry name ("/" or "\" between steps) that keeps it from being
// unpacked safely below a folder; nothing when the name is safe.
std::optional<NameFault> nameFault(std::u16string_view name);

// folder ends with "\". Names with a fault raise ZipError
// "Niedozwolona ścieżka w archiwum: `name`".
EntryTarget entryTarget(const text::Text& folder, const text::Text& name);

}  // namespace zipkit
