// The merge of a package's accessory database with the previous one into a new database: the
// install's way of keeping the rows of an earlier installation.
#pragma once

#include "platform/log.h"
#include "platform/platform.h"

namespace accessorydb {

using text::Text;

struct MergeFiles {
  Text package;      // the package's database
  Text previous;     // the previous database; it may be missing
  Text destination;  // created when missing; the merge adds to what it holds
};

struct Merge {
  enum class Result {
    Merged,
    NotCreated,      // the destination could not be created
    PackageMissing,  // there is no package database
    Failed,          // the engine failed; the destination is removed
  };
  Result result = Result::Failed;
  Text cause;  // Failed: the engine's message, or the unexpected error's

  bool merged() const { return result == Result::Merged; }
};

// Fills the destination from the previous database and the package's, table by table (the
// rules of table_merge.h). Every failure is logged as important. The files are let go of
// before this returns, so that the caller may delete or rename all three.
Merge mergeDatabases(plat::Platform& platform, const MergeFiles& files, const logs::Log& log);

}  // namespace accessorydb
