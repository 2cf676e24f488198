// Checks a finished installer from the outside, step by step as the installer itself will read
// it: the trailer, the archive it names, every entry's data, the package, its cover and its
// database.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

#include "tools/mkinstaller/package_check.h"

namespace mkinstaller {

// What was learned about an installer; a field stays unset when a failure came before it.
struct InstallerReport {
  Text path;
  std::optional<uint64_t> size;  // unset when the file could not be opened
  uint64_t layoutEnd = 0;        // below size when a certificate table follows (a signed installer)
  std::optional<uint64_t> archiveOffset;
  uint64_t archiveSize = 0;
  std::optional<Text> packageName;
  std::optional<size_t> entries;
  uint64_t unpackedBytes = 0;
  std::optional<Text> coverName;
  uint64_t coverBytes = 0;
  std::optional<DatabaseSummary> database;
  Findings findings;
};

// Checks the installer at path, unpacking its archive below scratch (a folder ending with "\"
// that the caller removes afterwards). Every problem, including an unreadable installer, ends
// up in the report's findings.
InstallerReport checkInstaller(plat::Platform& fs, const Text& path, const Text& scratch);

// The report: one line per fact learned, the findings, and the verdict "OK: ..." or
// "FAILED: ...".
void printReport(std::ostream& to, const InstallerReport& report);

}  // namespace mkinstaller
