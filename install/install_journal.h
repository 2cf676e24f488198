// The install journal: what an install is about to change in the package folder, written and
// flushed to the disk before the first change, so that a run cut short at any point (a power
// cut, a kill) can be put right at the next start.
//
// Order on the disk: the plan is flushed before anything in the folder changes; "committed" is
// appended and flushed only after the merged database has been flushed; nothing set aside is
// deleted before that; the journal itself is deleted last. A journal without its plan's end was
// cut short before any change began.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "install/file_identity.h"
#include "platform/platform.h"

namespace install {

using text::Text;

// A file the run replaces, as it was: the i-th (from 0) is kept in the set-aside folder as
// "<i / n + 1>\<i + 1>", n being the plan's asideFilesPerFolder, or as "<i + 1>" when that is 0.
struct KeptFile {
  Text path;
  FileIdentity identity;
  bool operator==(const KeptFile&) const = default;
};

// Files set aside share a folder 256 at most: Wine looks up a name that is not there yet by
// reading the whole folder, so in one folder of 30,000 each rename cost more than the one before.
inline constexpr uint32_t kAsideFilesPerFolder = 256;

// The changes one install makes below the package folder. Paths are relative to it.
struct LibraryPlan {
  bool databaseExisted = false;  // "dodatki.mdb" was there before the run
  // With a database: the previous one, which the backup must be. Without: the package's own, as
  // the archive declares it, the only "dodatki.mdb" a rollback may delete.
  FileIdentity database;
  bool packageFolderCreated = false;  // the package folder itself was made by the run
  std::vector<Text> newFolders;       // made by the run, each after its parent
  std::vector<KeptFile> setAside;     // files the run replaces
  std::vector<Text> newFiles;         // files the run writes where there was none
  // Files set aside share folders of this many. A journal of the earlier format 2, which an
  // interrupted run of an earlier installer may have left, kept them all in the set-aside
  // folder itself: 0.
  uint32_t asideFilesPerFolder = kAsideFilesPerFolder;

  bool operator==(const LibraryPlan&) const = default;
};

// A journal as read back.
struct Journal {
  // Nothing when the run stopped before its plan was whole: then it changed nothing.
  std::optional<LibraryPlan> plan;
  bool committed = false;  // the merged database was on the disk: the install is complete
};

// The journal's text.
std::string encodeJournal(const LibraryPlan& plan);
// Reads a journal's text; a text that is no journal of ours throws text::Error: one that names a
// path outside the package folder, or a name the planner never writes (the database, the
// install's own files, a name shaped like a short one).
Journal decodeJournal(std::string_view bytes);

// Writes the journal with its plan and flushes it to the disk.
plat::Status writeJournal(plat::Platform& platform, const Text& path, const LibraryPlan& plan);
// Appends the commit record and flushes it to the disk.
plat::Status commitJournal(plat::Platform& platform, const Text& path);
// Reads the journal at path; throws text::Error (plat::FileError when it cannot be read).
Journal readJournal(plat::Platform& platform, const Text& path);

}  // namespace install
