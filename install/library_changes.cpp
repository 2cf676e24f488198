#include "install/library_changes.h"

#include <set>

#include "archive/package_layout.h"
#include "install/file_identity.h"
#include "platform/in_use_retry.h"
#include "platform/leftover.h"

namespace install {

namespace {

using target::PackagePaths;

size_t asideFolderCount(const LibraryPlan& plan) {
  const size_t per = plan.asideFilesPerFolder;
  return per == 0 ? 0 : (plan.setAside.size() + per - 1) / per;
}

// The n-th folder of the set-aside folder, from 0.
Text asideFolder(const PackagePaths& paths, size_t n) {
  return paths.setAside + text::num(static_cast<int64_t>(n + 1));
}

// Where the i-th file set aside, from 0, lies (see KeptFile).
Text asideFile(const PackagePaths& paths, const LibraryPlan& plan, size_t index) {
  const Text name = text::num(static_cast<int64_t>(index + 1));
  if (plan.asideFilesPerFolder == 0) return paths.setAside + name;
  return asideFolder(paths, index / plan.asideFilesPerFolder) + u"\\" + name;
}

// The package's own path of a target below the package folder, whatever letter case the archive
// spells the package folder in; nothing for the package folder itself.
std::optional<Text> belowPackage(const PackagePaths& paths, const Text& path) {
  const Text& folder = paths.package;
  if (path.size() <= folder.size() ||
      !text::equalsIgnoreAsciiCase(std::u16string_view(path).substr(0, folder.size()), folder)) {
    return std::nullopt;
  }
  return text::stripTrailingBackslashes(std::u16string_view(path).substr(folder.size()));
}

class Planner {
 public:
  Planner(plat::Platform& platform, const PackagePaths& paths, const FileIdentity& packageDatabase)
      : platform_(platform), paths_(paths) {
    plan_.databaseExisted = platform.fileExists(paths.database);
    plan_.database = plan_.databaseExisted ? identity(paths.database) : packageDatabase;
    plan_.packageFolderCreated = !platform.directoryExists(paths.package);
  }

  void add(const zipkit::EntryTarget& target) {
    const std::optional<Text> folder = belowPackage(paths_, target.parentDir + u"\\");
    if (folder) addFolders(*folder);
    if (target.isFolder) return;
    const std::optional<Text> file = belowPackage(paths_, target.path);
    // The package rules keep every unpacked entry below the package folder.
    if (!file) throw text::Error(u"Plik poza folderem pakietu: " + target.path);
    // The database has steps of its own: it is moved to the backup before the unpacking.
    if (text::equalsIgnoreAsciiCase(*file, pkg::kDatabaseName)) return;
    if (!seenFiles_.insert(text::lowerAscii(*file)).second) return;
    if (platform_.fileExists(target.path)) {
      plan_.setAside.push_back({*file, identity(target.path)});
    } else {
      plan_.newFiles.push_back(*file);
    }
  }

  LibraryPlan plan() && { return std::move(plan_); }

 private:
  FileIdentity identity(const Text& path) {
    const std::optional<FileIdentity> found = fileIdentity(platform_, path);
    if (!found) throw text::Error(u"Nie można odczytać pliku " + path);
    return *found;
  }

  // Every folder on the way to folder, parents first.
  void addFolders(const Text& folder) {
    for (size_t end = 0; end != Text::npos;) {
      end = folder.find(u'\\', end + 1);
      const Text step = folder.substr(0, end);
      if (!seenFolders_.insert(text::lowerAscii(step)).second) continue;
      if (!platform_.directoryExists(paths_.package + step)) plan_.newFolders.push_back(step);
    }
  }

  plat::Platform& platform_;
  const PackagePaths& paths_;
  LibraryPlan plan_;
  std::set<Text> seenFolders_;
  std::set<Text> seenFiles_;
};

// Runs every step of a rollback or a finish, even after one fails: each puts back or removes
// what it can, and the journal stays for the next start when any failed.
class Steps {
 public:
  Steps(plat::Platform& platform, const logs::Log& log) : platform_(platform), log_(log) {}

  bool ok() const { return ok_; }

  void removeFile(const Text& path, const Text& line) {
    removeFile(path, line, u"Nie można usunąć pliku " + path);
  }
  void removeFile(const Text& path, const Text& line, const Text& failure) {
    if (!platform_.fileExists(path)) return;
    log_.debug(line);
    // A read-only attribute would keep the file; a failed change shows in the deletion's reason.
    if (platform_.isReadOnly(path)) (void)platform_.setReadOnlyAttribute(path, false);
    check(retried(path, [&] { return platform_.deleteFile(path); }), failure);
  }

  // The package's database as unpacked is of no use to anyone, and every run deletes it before
  // its merge: one that stays is no reason to keep the journal.
  void dropFromPackage(const Text& path) {
    if (!platform_.fileExists(path)) return;
    log_.debug(u"Kasujemy niepotrzebny plik dodatki_new.mdb");
    plat::deleteLeftover(platform_, path, log_);
  }

  void removeFolder(const Text& path) {
    if (!platform_.directoryExists(path)) return;
    log_.debug(u"Usuwamy folder " + path);
    check(platform_.removeDirectory(path), u"Nie można usunąć folderu " + path);
  }

  // Without the set-aside file, the file was never moved or is back already: it is checked all
  // the same.
  void putBack(const Text& aside, const Text& path, const FileIdentity& identity) {
    if (platform_.fileExists(aside)) {
      if (!matches(aside, identity)) return;
      log_.debug(u"Przywracamy plik " + path);
      check(retried(aside, [&] { return platform_.replaceFile(aside, path); }),
            u"Błąd przywracania pliku " + path);
    }
    if (ok_) (void)matches(path, identity);
  }

  // The installer's own files: another program may hold one for a moment.
  plat::Status retried(const Text& path, const std::function<plat::Status()>& op) {
    return plat::retryWhileInUse(platform_, log_, path, op);
  }

  void check(const plat::Status& status, const Text& line) {
    if (status) return;
    log_.important(plat::withReason(line, status));
    ok_ = false;
  }

  // False, and the reason logged, when the file is not the one the journal names: it is then
  // neither deleted nor put back.
  bool matches(const Text& path, const FileIdentity& identity) {
    const std::optional<Text> mismatch = identityMismatch(platform_, path, identity);
    if (!mismatch) return true;
    log_.important(*mismatch);
    ok_ = false;
    return false;
  }

 private:
  plat::Platform& platform_;
  const logs::Log& log_;
  bool ok_ = true;
};

// The database as it was before the run, checked: the backup back under its name, or, when there
// was none, no database at all (the package's own one, deletion markers and all, must not pass
// for a merged one). Only the package's database, or the merge's output while the package's is
// still beside it, is deleted; a database of anyone else is kept and stops the rollback.
void rollBackDatabase(plat::Platform& platform, const PackagePaths& paths, const LibraryPlan& plan,
                      Made made, const logs::Log& log, Steps& steps) {
  if (!plan.databaseExisted) {
    if (!platform.fileExists(paths.database)) return;
    const bool merging = platform.fileExists(paths.fromPackage) &&
                         !identityMismatch(platform, paths.fromPackage, plan.database);
    if (made == Made::ByAnEarlierRun && !merging && !steps.matches(paths.database, plan.database)) {
      return;
    }
    steps.removeFile(paths.database, u"Kasujemy plik dodatki.mdb nieudanej pierwszej instalacji");
    return;
  }
  // Without a backup the database was never moved, or has already been put back.
  if (platform.fileExists(paths.backup)) {
    if (!steps.matches(paths.backup, plan.database)) return;
    if (platform.fileExists(paths.database)) {
      log.debug(u"Kasujemy uszkodzony plik dodatki.mdb");
      // The rename below then fails on the file that stayed, and says why.
      if (platform.isReadOnly(paths.database)) {
        (void)platform.setReadOnlyAttribute(paths.database, false);
      }
      plat::deleteLeftover(platform, paths.database, log);
    }
    const plat::Status restored = plat::retryWhileInUse(platform, log, paths.backup, [&] {
      return platform.moveFile(paths.backup, paths.database);
    });
    log.debug(u"Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb");
    steps.check(restored, u"Błąd zmiany nazwy pliku dodatki_old.mdb na dodatki.mdb");
  }
  if (steps.ok()) (void)steps.matches(paths.database, plan.database);
}

// The set-aside folder and its folders, once emptied; one a file stayed in stays too.
void removeAsideFolders(const PackagePaths& paths, const LibraryPlan& plan, Steps& steps) {
  for (size_t n = 0; n < asideFolderCount(plan); ++n) steps.removeFolder(asideFolder(paths, n));
  steps.removeFolder(paths.setAside);
}

void deleteJournal(plat::Platform& platform, const PackagePaths& paths, const logs::Log& log,
                   Steps& steps) {
  if (!steps.ok()) {
    log.debug(u"Dziennik instalacji zostaje do następnego uruchomienia: " + paths.journal);
    return;
  }
  log.debug(u"Kasujemy dziennik instalacji");
  steps.check(platform.deleteFile(paths.journal), u"Nie można usunąć pliku " + paths.journal);
}

}  // namespace

LibraryPlan planChanges(plat::Platform& platform, const PackagePaths& paths,
                        const std::vector<zipkit::EntryTarget>& targets,
                        const FileIdentity& packageDatabase) {
  Planner planner(platform, paths, packageDatabase);
  for (const zipkit::EntryTarget& target : targets) planner.add(target);
  return std::move(planner).plan();
}

bool beginChanges(plat::Platform& platform, const PackagePaths& paths, const LibraryPlan& plan,
                  const logs::Log& log) {
  if (plan.packageFolderCreated) {
    log.debug(u"Tworzymy folder pakietu: " + paths.package);
    if (const plat::Status made = platform.createDirectory(paths.package); !made) {
      log.important(plat::withReason(u"Nie można utworzyć folderu " + paths.package, made));
      return false;
    }
  }
  log.debug(u"Zapisujemy dziennik instalacji: " + paths.journal);
  const plat::Status written = writeJournal(platform, paths.journal, plan);
  if (written) return true;
  log.important(plat::withReason(u"Błąd zapisu dziennika instalacji: " + paths.journal, written));
  // Nothing has changed yet: a journal cut short says so to the next start, should these fail.
  (void)platform.deleteFile(paths.journal);
  if (plan.packageFolderCreated) (void)platform.removeDirectory(paths.package);
  return false;
}

bool setAside(plat::Platform& platform, const PackagePaths& paths, const LibraryPlan& plan,
              const logs::Log& log) {
  if (plan.setAside.empty()) return true;
  const auto madeFolder = [&](const Text& folder) {
    if (platform.directoryExists(folder)) return true;
    const plat::Status made = platform.createDirectory(folder);
    if (!made) log.important(plat::withReason(u"Nie można utworzyć folderu " + folder, made));
    return made.ok();
  };
  if (!madeFolder(paths.setAside)) return false;
  for (size_t i = 0; i < plan.setAside.size(); ++i) {
    if (plan.asideFilesPerFolder != 0 && i % plan.asideFilesPerFolder == 0 &&
        !madeFolder(asideFolder(paths, i / plan.asideFilesPerFolder))) {
      return false;
    }
    const Text path = paths.package + plan.setAside[i].path;
    log.debug(u"Odkładamy plik " + path);
    const plat::Status moved = plat::retryWhileInUse(
        platform, log, path, [&] { return platform.moveFile(path, asideFile(paths, plan, i)); });
    if (!moved) {
      log.important(plat::withReason(u"Błąd odłożenia pliku " + path, moved));
      return false;
    }
  }
  return true;
}

bool flushUnpacked(plat::Platform& platform, const PackagePaths& paths, const LibraryPlan& plan,
                   const logs::Log& log) {
  std::vector<Text> written = plan.newFiles;
  for (const KeptFile& file : plan.setAside) written.push_back(file.path);
  for (const Text& file : written) {
    const Text path = paths.package + file;
    if (const plat::Status flushed = platform.flushToDisk(path); !flushed) {
      log.important(plat::withReason(u"Błąd zapisu na dysk pliku: " + path, flushed));
      return false;
    }
  }
  return true;
}

bool finishChanges(plat::Platform& platform, const PackagePaths& paths, const LibraryPlan& plan,
                   const logs::Log& log) {
  Steps steps(platform, log);
  // A backup that is not the previous database is nobody's to delete, nor to take after.
  const bool ownBackup =
      platform.fileExists(paths.backup) && steps.matches(paths.backup, plan.database);
  // Only a committed database takes the previous one's read-only attribute: one set before
  // would keep a rollback from deleting it.
  if (ownBackup && platform.isReadOnly(paths.backup) && !platform.isReadOnly(paths.database)) {
    // The merged database is complete either way; only its attribute differs from before.
    if (const plat::Status set = platform.setReadOnlyAttribute(paths.database, true); !set) {
      log.debug(plat::withReason(
          u"Nie można ustawić atrybutu tylko do odczytu pliku " + paths.database, set));
    }
  }
  for (size_t i = 0; i < plan.setAside.size(); ++i) {
    const Text aside = asideFile(paths, plan, i);
    if (!platform.fileExists(aside) || !steps.matches(aside, plan.setAside[i].identity)) continue;
    steps.removeFile(aside, u"Kasujemy odłożony plik " + aside);
  }
  removeAsideFolders(paths, plan, steps);
  if (ownBackup) {
    steps.removeFile(paths.backup, u"Kasujemy niepotrzebny plik dodatki_old.mdb",
                     u"Nie można usunąć kopii poprzedniej bazy: " + paths.backup);
  }
  steps.dropFromPackage(paths.fromPackage);
  deleteJournal(platform, paths, log, steps);
  return steps.ok();
}

bool rollBackChanges(plat::Platform& platform, const PackagePaths& paths, const LibraryPlan& plan,
                     Made made, const logs::Log& log) {
  Steps steps(platform, log);
  for (auto file = plan.newFiles.rbegin(); file != plan.newFiles.rend(); ++file) {
    const Text path = paths.package + *file;
    steps.removeFile(path, u"Usuwamy plik " + path);
  }
  for (size_t i = 0; i < plan.setAside.size(); ++i) {
    steps.putBack(asideFile(paths, plan, i), paths.package + plan.setAside[i].path,
                  plan.setAside[i].identity);
  }
  rollBackDatabase(platform, paths, plan, made, log, steps);
  steps.dropFromPackage(paths.fromPackage);
  removeAsideFolders(paths, plan, steps);
  for (auto folder = plan.newFolders.rbegin(); folder != plan.newFolders.rend(); ++folder) {
    steps.removeFolder(paths.package + *folder);
  }
  deleteJournal(platform, paths, log, steps);
  if (plan.packageFolderCreated && steps.ok()) steps.removeFolder(paths.package);
  return steps.ok();
}

}  // namespace install
