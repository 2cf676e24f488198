// Where an entry of an archive lands below the folder it is extracted into.
#pragma once

#include "platform/text.h"

namespace zipkit {

struct EntryTarget {
  text::Text path;        // folder + name, every "/" turned into "\"
  text::Text parentDir;   // the folder that must exist before writing, without a final "\"
  bool isFolder = false;  // the name ends with "\": only the folder is created
};

// folder ends with "\". Names that would leave the folder (absolute, with a drive or a stream
// colon, with a ".." step, or with a control character such as NUL) raise ZipError
// "Niedozwolona ścieżka w archiwum: `name`".
EntryTarget entryTarget(const text::Text& folder, const text::Text& name);

}  // namespace zipkit
