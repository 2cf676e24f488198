// How a package archive names its package: the installer finds the package by these names, and
// the package maker's tool checks them, so both read them from here.
#pragma once

#include <optional>
#include <string_view>

#include "platform/text.h"

namespace pkg {

using text::Text;

// The package database's file name, in exactly this letter case.
inline constexpr std::u16string_view kDatabaseName = u"dodatki.mdb";

// Both separate folders in entry names, as they do when an entry is unpacked.
inline constexpr std::u16string_view kSeparators = u"\\/";

// "P\dodatki.mdb" (or "P/dodatki.mdb") names the package P: exactly one separator, a non-empty P
// and the database name in exactly this letter case. Every other name gives nothing.
inline std::optional<Text> packageFolderOf(const Text& entryName) {
  const size_t sep = entryName.find_last_of(kSeparators);
  if (sep == Text::npos || sep == 0) return std::nullopt;
  if (std::u16string_view(entryName).substr(sep + 1) != kDatabaseName) return std::nullopt;
  Text folder = entryName.substr(0, sep);
  if (folder.find_first_of(kSeparators) != Text::npos) return std::nullopt;
  return folder;
}

// The names the install gives its own files in the package folder for a while: the previous
// database, the package's database, the precondition check's side file, the install's journal
// and the folder of the files it replaces. A package may not carry them.
inline const Text kBackupName = u"dodatki_old.mdb";
inline const Text kFromPackageName = u"dodatki_new.mdb";
inline const Text kCheckSuffix = u".old";
// The install's journal, and the folder that keeps the files an install replaces until it ends.
inline const Text kJournalName = u"dodatki_install.jrn";
inline const Text kSetAsideFolderName = u"dodatki_install.old";
// Beside the package folder in the library folder: the file a run holds for its whole life, so
// that one install at a time works in the package folder. After the package's name.
inline const Text kHoldSuffix = u".dodatki_install.lock";

// The package database's entry name.
inline Text databaseEntry(const Text& package) {
  return package + u"\\" + Text(kDatabaseName);
}

// The two top-level files beside the package folder, which are never unpacked: the cover
// picture and an optional description.
inline Text coverEntry(const Text& package) {
  return package + u".jpg";
}
inline Text descriptionEntry(const Text& package) {
  return package + u".txt";
}

// The installer finds the cover as the ZIP reader finds any entry, without regard to the letter
// case of A to Z ("P.JPG" is the cover of P), and so the description.
inline bool isCoverEntry(const Text& name, const Text& package) {
  return text::equalsIgnoreAsciiCase(name, coverEntry(package));
}
inline bool isCoverOrDescription(const Text& name, const Text& package) {
  return isCoverEntry(name, package) ||
         text::equalsIgnoreAsciiCase(name, descriptionEntry(package));
}

}  // namespace pkg
