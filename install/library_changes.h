// The changes an install makes to the package folder, made so that they can all be undone: the
// plan is journaled before the first change, every file the package replaces is first set aside
// in the same folder (putting it back is a rename), and only a complete install deletes what was
// set aside. Rolling back and finishing are the same steps whether the run that made the changes
// is still going or was cut short and the journal is all that is left of it. Every action is
// logged; every step may be done again after an interruption of its own.
#pragma once

#include <vector>

#include "archive/entry_path.h"
#include "install/install_journal.h"
#include "platform/log.h"
#include "target/package_paths.h"

namespace install {

// What unpacking targets into the package folder will change, as things stand now, with the
// identity of every file it replaces; packageDatabase is what the archive declares for the
// package's database. Throws text::Error when a file to be replaced cannot be read.
LibraryPlan planChanges(plat::Platform& platform, const target::PackagePaths& paths,
                        const std::vector<zipkit::EntryTarget>& targets,
                        const FileIdentity& packageDatabase);

// Makes the package folder when the plan needs it, then writes the journal. False, logged, when
// either fails; a package folder made for nothing is removed again.
bool beginChanges(plat::Platform& platform, const target::PackagePaths& paths,
                  const LibraryPlan& plan, const logs::Log& log);

// Moves every file the package replaces into the set-aside folder.
bool setAside(plat::Platform& platform, const target::PackagePaths& paths, const LibraryPlan& plan,
              const logs::Log& log);

// Forces the package's unpacked files to the disk, so that the journal's commit may follow.
bool flushUnpacked(plat::Platform& platform, const target::PackagePaths& paths,
                   const LibraryPlan& plan, const logs::Log& log);

// After the commit: deletes what was set aside, the previous database and, last, the journal.
// False when something could not be deleted; the journal then stays for the next start.
bool finishChanges(plat::Platform& platform, const target::PackagePaths& paths,
                   const LibraryPlan& plan, const logs::Log& log);

// Before the commit: removes the package's new files and folders, puts back every file set aside
// and the previous database (or drops the database of a failed first install), and deletes the
// journal. False when something could not be put right; the journal then stays for the next
// start, and the previous database is wherever the log says.
// A first install's run knows the database that appeared under its hold is its own; the next
// start takes only the package's database, or the merge's output beside it.
enum class Made { ByThisRun, ByAnEarlierRun };
bool rollBackChanges(plat::Platform& platform, const target::PackagePaths& paths,
                     const LibraryPlan& plan, Made made, const logs::Log& log);

}  // namespace install
