#include "archive/package_rules.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <unordered_map>

#include "archive/package_layout.h"

namespace pkg {

namespace {

bool isSeparator(char16_t c) {
  return kSeparators.find(c) != std::u16string_view::npos;
}

std::vector<std::u16string_view> steps(std::u16string_view name) {
  std::vector<std::u16string_view> out;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !isSeparator(name[i])) continue;
    out.push_back(name.substr(start, i - start));
    start = i + 1;
  }
  return out;
}

// Windows gives a long name a second, short one ("DODATK~1.MDB"); a step shaped like one may
// reach a file of another name, the host's database among them.
bool looksLikeShortName(std::u16string_view step) {
  for (size_t i = 0; i + 1 < step.size(); ++i) {
    if (step[i] == u'~' && step[i + 1] >= u'0' && step[i + 1] <= u'9') return true;
  }
  return false;
}

bool isInstallerFile(std::u16string_view step) {
  const std::array<Text, 5> names = {kBackupName, kFromPackageName,
                                     Text(kDatabaseName) + kCheckSuffix, kJournalName,
                                     kSetAsideFolderName};
  return std::any_of(names.begin(), names.end(),
                     [&](const Text& n) { return text::equalsIgnoreAsciiCase(step, n); });
}

// The rule a name below the package folder breaks, judged by its first step there (the package
// folder's own entry has none); Windows compares names without regard to letter case.
std::optional<Rule> insideRule(const std::vector<std::u16string_view>& below) {
  if (below.empty() || (below.size() == 1 && below[0].empty())) return std::nullopt;
  if (isInstallerFile(below[0])) return Rule::InstallerFile;
  if (text::equalsIgnoreAsciiCase(below[0], kDatabaseName) && below.size() > 1) {
    return Rule::DatabaseFolder;
  }
  return std::nullopt;
}

std::optional<Violation> nameViolation(const Text& name, const Text& package) {
  if (const std::optional<zipkit::NameFault> fault = zipkit::nameFault(name)) {
    return Violation{Rule::UnsafeName, name, fault, {}};
  }
  const std::vector<std::u16string_view> all = steps(name);
  if (std::any_of(all.begin(), all.end(), looksLikeShortName)) {
    return Violation{Rule::ShortName, name, {}, {}};
  }
  if (isCoverOrDescription(name, package)) return std::nullopt;
  if (all.size() < 2 || !text::equalsIgnoreAsciiCase(all[0], package)) {
    return Violation{Rule::OutsidePackage, name, {}, {}};
  }
  const std::vector<std::u16string_view> below(all.begin() + 1, all.end());
  if (const std::optional<Rule> rule = insideRule(below)) return Violation{*rule, name, {}, {}};
  return std::nullopt;
}

// Windows reads "/" as "\\" and compares names without regard to letter case; the unpacking finds
// an entry by its name the same way, so of two entries that land on one file only the first
// would be written (twice).
std::vector<Violation> sameFileViolations(const std::vector<Text>& names) {
  std::unordered_map<Text, size_t> firstByKey;
  std::vector<Violation> out;
  for (size_t i = 0; i < names.size(); ++i) {
    const Text& name = names[i];
    if (!name.empty() && isSeparator(name.back())) continue;  // folders merge harmlessly
    Text key = text::lowerAscii(name);
    std::replace(key.begin(), key.end(), u'/', u'\\');
    const auto [first, inserted] = firstByKey.emplace(std::move(key), i);
    if (!inserted) out.push_back({Rule::SameFile, name, {}, names[first->second]});
  }
  return out;
}

Text quoted(const Text& name) {
  return u"`" + name + u"`";
}

Text unsafeWhy(zipkit::UnsafeName kind) {
  switch (kind) {
    case zipkit::UnsafeName::Empty:
      return u"pusta nazwa pliku";
    case zipkit::UnsafeName::Absolute:
      return u"ścieżka bezwzględna";
    case zipkit::UnsafeName::DriveOrStream:
      return u"nazwa z dwukropkiem (dysk lub strumień danych)";
    case zipkit::UnsafeName::ControlCharacter:
      return u"nazwa ze znakiem sterującym";
    case zipkit::UnsafeName::ReservedCharacter:
      return u"nazwa ze znakiem niedozwolonym w systemie Windows (< > \" | ? *)";
    case zipkit::UnsafeName::ParentStep:
      return u"ścieżka wychodząca poza folder biblioteki";
    case zipkit::UnsafeName::DeviceName:
      return u"nazwa urządzenia systemu Windows";
    case zipkit::UnsafeName::TrailingDotOrBlank:
      return u"nazwa zakończona kropką lub spacją";
    case zipkit::UnsafeName::NameTooLong:
      return u"nazwa dłuższa niż 255 znaków";
  }
  return {};
}

}  // namespace

std::vector<Violation> nameViolations(const std::vector<Text>& names, const Text& package) {
  std::vector<Violation> out;
  for (const Text& name : names) {
    if (std::optional<Violation> v = nameViolation(name, package)) out.push_back(std::move(*v));
  }
  // The package's own name comes first: every other rule takes it as the package folder.
  std::stable_partition(out.begin(), out.end(), [&](const Violation& v) {
    return packageFolderOf(v.entry) == std::optional<Text>(package);
  });
  std::vector<Violation> sameFile = sameFileViolations(names);
  out.insert(out.end(), sameFile.begin(), sameFile.end());
  return out;
}

std::vector<Violation> overlapViolations(const std::vector<Text>& names,
                                         const std::vector<zipkit::ZipReader::Extent>& extents) {
  std::vector<size_t> order(extents.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return extents[a].begin < extents[b].begin; });
  std::vector<Violation> out;
  // The entry reaching furthest so far: any entry that starts before its end shares bytes.
  std::optional<size_t> furthest;
  for (const size_t i : order) {
    if (furthest && extents[i].begin < extents[*furthest].end) {
      out.push_back({Rule::Overlap, names[i], {}, names[*furthest]});
    }
    if (!furthest || extents[i].end > extents[*furthest].end) furthest = i;
  }
  return out;
}

std::vector<Violation> archiveViolations(zipkit::ZipReader& zip, const Text& package) {
  std::vector<Violation> out = nameViolations(zip.names(), package);
  std::vector<Violation> overlaps = overlapViolations(zip.names(), zip.extents());
  out.insert(out.end(), overlaps.begin(), overlaps.end());
  return out;
}

Text refusalLine(const Violation& v) {
  const Text refused = u"Pakiet odrzucony: ";
  switch (v.rule) {
    case Rule::UnsafeName:
      return refused + unsafeWhy(v.fault ? v.fault->kind : zipkit::UnsafeName::Empty) + u": " +
             quoted(v.entry);
    case Rule::ShortName:
      return refused +
             u"krótka nazwa systemu Windows (z ~ i cyfrą), która może wskazać inny plik: " +
             quoted(v.entry);
    case Rule::OutsidePackage:
      return refused + u"plik poza folderem pakietu: " + quoted(v.entry);
    case Rule::InstallerFile:
      return refused + u"plik o nazwie zastrzeżonej dla instalatora: " + quoted(v.entry);
    case Rule::DatabaseFolder:
      return refused + u"folder w miejscu bazy " + Text(kDatabaseName) + u": " + quoted(v.entry);
    case Rule::Overlap:
      return refused + u"pliki " + quoted(v.other) + u" i " + quoted(v.entry) +
             u" dzielą te same dane archiwum";
    case Rule::SameFile:
      return refused + u"pliki " + quoted(v.other) + u" i " + quoted(v.entry) +
             u" trafiłyby do jednego pliku (Windows nie rozróżnia wielkości liter)";
  }
  return refused + quoted(v.entry);
}

uint64_t inClusters(uint64_t size, uint64_t cluster) {
  if (cluster <= 1 || size % cluster == 0) return size;
  return saturatingAdd(size, cluster - size % cluster);
}

uint64_t unpackedSpace(zipkit::ZipReader& zip, const Text& package, uint64_t cluster) {
  const std::vector<zipkit::ZipReader::Extent> extents = zip.extents();
  uint64_t total = 0;
  for (size_t i = 0; i < extents.size(); ++i) {
    const Text& name = zip.names()[i];
    if (isCoverOrDescription(name, package)) continue;
    if (!name.empty() && isSeparator(name.back())) continue;
    total = saturatingAdd(total, inClusters(extents[i].size, cluster));
  }
  return total;
}

}  // namespace pkg
