#include "tools/mkinstaller/package_folder.h"

#include <algorithm>
#include <tuple>

#include "archive/package_layout.h"

namespace mkinstaller {

namespace {

void walk(plat::Platform& fs, const Text& dir, const Text& prefix,
          std::vector<PackageItem>& items) {
  const std::vector<Text> files = fs.filesIn(dir);
  const std::vector<Text> folders = fs.subFolders(dir);
  // The listings come back empty also when the folder cannot be read; a package must not lose
  // a folder's files unnoticed.
  if (files.empty() && folders.empty() && !fs.isDirectoryEmpty(dir)) {
    throw text::Error(u"cannot list the folder " + dir);
  }
  for (const Text& name : files) items.push_back({prefix + name, dir + u"\\" + name});
  for (const Text& name : folders) {
    const Text path = dir + u"\\" + name;
    if (fs.isDirectoryEmpty(path)) {
      items.push_back({prefix + name + u"\\", path});
    } else {
      walk(fs, path, prefix + name + u"\\", items);
    }
  }
}

}  // namespace

std::vector<PackageItem> listPackageFolder(plat::Platform& fs, const Text& dir) {
  std::vector<PackageItem> items;
  walk(fs, dir, u"", items);
  std::sort(items.begin(), items.end(),
            [](const PackageItem& a, const PackageItem& b) { return a.entryName < b.entryName; });
  return items;
}

void putInArchiveOrder(std::vector<PackageItem>& items, const Text& packageName) {
  const auto rank = [&](const PackageItem& item) {
    const Text& name = item.entryName;
    if (pkg::isCoverOrDescription(name, packageName)) return 0;
    if (name == pkg::databaseEntry(packageName)) return 2;
    return 1;
  };
  std::sort(items.begin(), items.end(), [&](const PackageItem& a, const PackageItem& b) {
    return std::tuple(rank(a), a.entryName) < std::tuple(rank(b), b.entryName);
  });
}

std::vector<Text> entryNames(const std::vector<PackageItem>& items) {
  std::vector<Text> names;
  names.reserve(items.size());
  for (const PackageItem& item : items) names.push_back(item.entryName);
  return names;
}

}  // namespace mkinstaller
