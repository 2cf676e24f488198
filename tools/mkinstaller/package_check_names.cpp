// The package's entry names, checked against how the installer finds the package, shows its
// cover and unpacks every other entry below the host's library folder.
#include <algorithm>
#include <unordered_set>

#include "archive/entry_path.h"
#include "archive/package_layout.h"
#include "archive/package_rules.h"
#include "tools/mkinstaller/package_check.h"

namespace mkinstaller {

namespace {

using text::num;

// Windows' MAX_PATH (260 with the final NUL) for a file; a folder being created must leave
// room for an 8.3 file name, so CreateDirectory takes 12 characters less.
constexpr size_t kMaxFilePath = 259;
constexpr size_t kMaxFolderPath = 247;

void error(Findings& findings, const Text& file, const Text& problem) {
  findings.push_back({Severity::Error, file, problem});
}

Text withBackslashes(Text name) {
  std::replace(name.begin(), name.end(), u'/', u'\\');
  return name;
}

std::vector<Text> splitSteps(const Text& path) {
  std::vector<Text> steps;
  size_t start = 0;
  while (true) {
    const size_t sep = path.find(u'\\', start);
    steps.push_back(path.substr(start, sep == Text::npos ? Text::npos : sep - start));
    if (sep == Text::npos) return steps;
    start = sep + 1;
  }
}

Text joined(const std::vector<Text>& parts, const Text& between) {
  Text out;
  for (const Text& part : parts) out += (out.empty() ? u"" : between) + part;
  return out;
}

// For a name that is meant as the package database but that the installer passes over: why it
// is passed over and the name it should have.
std::optional<Text> nearMissAdvice(const Text& name) {
  const std::vector<Text> steps = splitSteps(withBackslashes(name));
  const Text& file = steps.back();
  if (!text::equalsIgnoreAsciiCase(file, pkg::kDatabaseName)) return std::nullopt;
  std::vector<Text> folders;
  bool emptyStep = false;
  for (size_t i = 0; i + 1 < steps.size(); ++i) {
    if (steps[i].empty()) {
      emptyStep = true;
    } else {
      folders.push_back(steps[i]);
    }
  }
  const Text database(pkg::kDatabaseName);
  std::vector<Text> reasons;
  if (file != database) reasons.push_back(u"its file name is not " + database + u" in lower case");
  if (folders.empty()) {
    reasons.push_back(u"it lies outside any package folder");
  } else if (folders.size() > 1) {
    reasons.push_back(u"it lies in a sub-folder, not directly in the package folder");
  } else if (emptyStep) {
    reasons.push_back(u"its name holds an empty folder name");
  }
  const Text wanted = (folders.empty() ? Text(u"FOLDER") : folders.front()) + u"\\" + database;
  return u"not taken for the package database, because " + joined(reasons, u", and ") +
         u"; name it " + wanted;
}

void checkCoverName(const std::vector<Text>& names, const Text& packageName, Findings& findings) {
  if (std::any_of(names.begin(), names.end(),
                  [&](const Text& name) { return pkg::isCoverEntry(name, packageName); })) {
    return;
  }
  error(findings, pkg::coverEntry(packageName),
        u"missing: the installer shows the package's cover, a JPEG picture at the top level "
        u"beside the package folder; add it");
}

// Why two entries land on one file, in the package maker's terms.
Text sameFileWhy(const Text& entry, const Text& first) {
  if (entry == first) {
    return u"appears twice in the archive: the installer would write the first copy twice and "
           u"this one never; keep one of them";
  }
  if (text::equalsIgnoreAsciiCase(entry, first)) {
    return u"differs from " + first +
           u" only in letter case: the installer finds entries without regard to letter case, so "
           u"it would write " +
           first + u" twice and this entry never; rename one of them or leave one out";
  }
  return u"lands on the same file as " + first +
         u" (Windows ignores letter case and reads \"/\" as \"\\\"), so one would overwrite the "
         u"other; rename one of them or leave one out";
}

// Lengths of the entry's folders and file once unpacked under the typical library folder; a
// folder that is too long is reported once, at the shallowest level that is too long.
void checkPathLength(const Text& name, const zipkit::EntryTarget& target,
                     std::unordered_set<Text>& longFolders, Findings& findings) {
  const Text& path = target.path;
  const size_t start = kTypicalLibraryFolder.size();
  const Text under = u" under a typical host folder (" + kTypicalLibraryFolder + u") is ";
  for (size_t sep = path.find(u'\\', start); sep != Text::npos; sep = path.find(u'\\', sep + 1)) {
    if (sep <= kMaxFolderPath) continue;
    const Text folder = path.substr(start, sep + 1 - start);
    if (longFolders.insert(text::lowerAscii(folder)).second) {
      error(findings, folder,
            u"this folder's path" + under + num(static_cast<int64_t>(sep)) +
                u" characters long, over the " + num(kMaxFolderPath) +
                u" Windows allows for a folder; shorten its folder names");
    }
    return;
  }
  if (!target.isFolder && path.size() > kMaxFilePath) {
    error(findings, name,
          u"its path" + under + num(static_cast<int64_t>(path.size())) +
              u" characters long, over the " + num(kMaxFilePath) +
              u" Windows allows for a file; shorten its folder or file names");
  }
}

// Why the installer refuses a name, in the package maker's terms.
Text whyUnsafe(const zipkit::NameFault& fault) {
  const Text step = u"\"" + fault.step + u"\"";
  switch (fault.kind) {
    case zipkit::UnsafeName::Empty:
      return u"it is empty";
    case zipkit::UnsafeName::Absolute:
      return u"it is an absolute path, where the installer takes only paths relative to the "
             u"host's library folder";
    case zipkit::UnsafeName::DriveOrStream:
      return u"it holds \":\", which names a drive or a data stream";
    case zipkit::UnsafeName::ControlCharacter:
      return u"it holds a control character, which no Windows file name may hold";
    case zipkit::UnsafeName::ReservedCharacter:
      return u"it holds one of < > \" | ? *, which no Windows file name may hold";
    case zipkit::UnsafeName::ParentStep:
      return u"its step " + step +
             u" climbs out of the host's library folder (Windows reads dots and blanks as \"..\")";
    case zipkit::UnsafeName::DeviceName:
      return step +
             u" is a Windows device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, "
             u"CONOUT$, with any extension): Windows would open the device, not a file";
    case zipkit::UnsafeName::TrailingDotOrBlank:
      return step +
             u" ends with a dot or a blank, which Windows drops, so two entries could land on one "
             u"file";
    case zipkit::UnsafeName::NameTooLong:
      return u"a name in it is " + text::num(static_cast<int64_t>(fault.step.size())) +
             u" characters long, over the 255 Windows allows for a file or folder name";
  }
  return {};
}

}  // namespace

Finding ruleFinding(const pkg::Violation& v, const Text& packageName) {
  const Text folder = packageName + u"\\";
  const Text refuses = u"the installer refuses the package for this entry: ";
  Text problem;
  switch (v.rule) {
    case pkg::Rule::UnsafeName:
      problem = refuses + whyUnsafe(*v.fault) + u"; rename it";
      break;
    case pkg::Rule::ShortName:
      problem = refuses +
                u"a step with \"~\" and a digit looks like a Windows short name (as DODATK~1.MDB "
                u"for dodatki_old.mdb), which may reach another file; rename it";
      break;
    case pkg::Rule::OutsidePackage:
      problem = refuses + u"it lies outside the package folder " + folder + u", where only " +
                pkg::coverEntry(packageName) + u" and " + pkg::descriptionEntry(packageName) +
                u" may lie; move it into " + folder + u" or leave it out";
      break;
    case pkg::Rule::InstallerFile:
      problem = refuses +
                u"the installer gives its own copies of the package's database this name while it "
                u"installs (a package folder zipped after a test install carries one); remove " +
                v.entry + u" from the package";
      break;
    case pkg::Rule::DatabaseFolder:
      problem = refuses + u"the package's database " + pkg::databaseEntry(packageName) +
                u" must be a file, with no folder of that name and nothing below it; remove " +
                v.entry + u" from the package";
      break;
    case pkg::Rule::Overlap:
      problem = refuses + u"its data share bytes of the archive with " + v.other +
                u", so the archive would unpack more than it holds; rebuild the installer with "
                u"mkinstaller";
      break;
    case pkg::Rule::SameFile:
      problem = refuses + sameFileWhy(v.entry, v.other);
      break;
  }
  return {Severity::Error, v.entry, problem};
}

std::optional<Text> findPackage(const std::vector<Text>& entryNames, Findings& findings) {
  std::vector<Text> packages;
  for (const Text& name : entryNames) {
    if (std::optional<Text> folder = pkg::packageFolderOf(name)) packages.push_back(*folder);
  }
  if (packages.size() == 1) return packages.front();
  const Text database(pkg::kDatabaseName);
  if (packages.size() > 1) {
    error(findings, {},
          num(static_cast<int64_t>(packages.size())) + u" package databases (in " +
              joined(packages, u", ") +
              u"), but an installer carries exactly one package; make one installer for each "
              u"package");
    return std::nullopt;
  }
  bool nearMiss = false;
  for (const Text& name : entryNames) {
    if (const std::optional<Text> advice = nearMissAdvice(name)) {
      error(findings, name, *advice);
      nearMiss = true;
    }
  }
  if (!nearMiss) {
    error(findings, {},
          u"no package database: the installer takes the package from the one entry FOLDER\\" +
              database +
              u" (the package folder, then its database, in lower case); put the "
              u"package's database directly in its folder");
  }
  return std::nullopt;
}

void checkEntryNames(const std::vector<Text>& entryNames, const Text& packageName,
                     Findings& findings) {
  checkCoverName(entryNames, packageName, findings);
  std::unordered_set<Text> refused;
  for (const pkg::Violation& v : pkg::nameViolations(entryNames, packageName)) {
    findings.push_back(ruleFinding(v, packageName));
    refused.insert(v.entry);
  }
  std::unordered_set<Text> longFolders;
  for (const Text& name : entryNames) {
    if (refused.count(name)) continue;
    checkPathLength(name, zipkit::entryTarget(kTypicalLibraryFolder, name), longFolders, findings);
  }
}

}  // namespace mkinstaller
