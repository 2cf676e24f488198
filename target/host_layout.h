// Where the host keeps its installations and its accessory libraries.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace target {

using text::Text;

// The maker folder directly under a drive root; its direct sub-folders matching the pattern are
// installations of the host.
inline const Text kMakerFolder = u"Nordeka\\";
inline const Text kInstallationPattern = u"CAD *";
// The library folder inside an installation; one folder per package below it.
inline const Text kLibraryFolder = u"dodatki";

// The host's programs: an executable name holding the search word (in any letter case) is one,
// except the exempt name; the main program's name is one in any case. Both names compare exactly.
inline const Text kHostSearchWord = u"CAD";
inline const Text kExemptProgram = u"lumicad.exe";
inline const Text kHostMainProgram = u"VirelaPro.exe";

inline const Text kNoInstallationMessage =
    u"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.";

// The folder whose existence makes the folder field's text a host folder. The text is used as
// it stands, untrimmed and with no separator added: a folder typed without its trailing "\"
// fails.
inline Text libraryFolderToValidate(const Text& field) {
  return field + kLibraryFolder;
}

// A folder as the folder field holds it: no white space at either end, exactly one trailing "\".
Text asHostFolder(std::u16string_view path);

}  // namespace target
