// A package folder on disk as the entries of its package archive: the cover P.jpg, the optional
// description P.txt and the folder P with P\dodatki.mdb and the package's files.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace mkinstaller {

using text::Text;

struct PackageItem {
  // Relative to the package folder, "\"-separated; an empty folder's name ends with "\".
  Text entryName;
  Text sourcePath;
  bool isFolder() const { return entryName.ends_with(u'\\'); }
};

// Every file below dir at any depth, plus an entry for every empty folder (other folders come
// into being through their files), sorted by entry name in UTF-16 code units so that the result
// does not depend on the order the file system lists folders in. Throws text::Error when a
// folder cannot be listed.
std::vector<PackageItem> listPackageFolder(plat::Platform& fs, const Text& dir);

// The archive's order: the cover and the description first, the database P\dodatki.mdb last
// (the installer extracts in archive order, so the database arrives after every file it
// describes), everything else by name in between.
void putInArchiveOrder(std::vector<PackageItem>& items, const Text& packageName);

// The entry names of items, in their order.
std::vector<Text> entryNames(const std::vector<PackageItem>& items);

}  // namespace mkinstaller
