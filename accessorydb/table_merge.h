// One table's share of the merge of a package's accessory database with the previous one into
// the destination. Package rows replace previous rows with the same key,
// previous rows the package does not mention stay, and a package row named "DELETE" removes
// the previous row with its key. The rows posted, their order and the trace lines are those of
// scanning the package table for every previous row and the destination for every package row;
// the lookups go through hash indexes instead, so the merge grows linearly with the tables.
//
// Memory: no rows are kept. The package's keys go into a KeyDirectory (16 bytes a row: the
// key's digest, the row's bookmark and place), and a second cursor on the package table finds a
// row again by its bookmark; the destination's keys are marks in that directory, since only
// package keys are ever looked up there. With the engine's bounded caches (16 MiB of pending
// pages, the new database's index gathered in memory up to 32 MiB, 1 MiB of pages read per file)
// the merge of 2 x 1,000,000 benchmark items peaks at about 69 MiB, of which 17 MiB grow with
// the package.
#pragma once

#include "accessorydb/jet/ado.h"
#include "platform/log.h"
#include "platform/text.h"

namespace accessorydb {

using text::Text;

// What sets the two tables apart.
struct MergeRules {
  Text table;
  Text keyColumn;
  // An unmatched previous row named "DELETE" is still copied (info_producent) or dropped.
  bool copyPreviousMarkers = false;
  // The second pass's heading.
  Text packageHeading;
  // The second pass's line for a package row: every row before the marker test, keyed by the
  // manufacturer (info_producent), or only the rows that are no markers, with their names.
  bool traceItems = false;
};

const MergeRules& infoProducentRules();
const MergeRules& dodatkiRules();

// Each cursor is bound to its connection; this opens them on the table (the destination
// read-write, the package and the previous one read-only) and closes them at the end. previous
// is null when there is no previous database. The trace goes to the log at the debug level; at
// any other level no trace line is built. A log's record gets, instead of the lines that compare
// rows, one line for each row kept, updated, deleted or added. Engine errors propagate.
void mergeTable(const MergeRules& rules, jet::ado::TableCursor& destination,
                jet::ado::TableCursor& package, jet::ado::TableCursor* previous,
                const logs::Log& log);

}  // namespace accessorydb
