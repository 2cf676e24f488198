// One table's share of the merge of a package's accessory database with the previous one into
// the destination. Package rows replace previous rows with the same key,
// previous rows the package does not mention stay, and a package row named "DELETE" removes
// the previous row with its key. The rows posted, their order and the trace lines are those of
// scanning the package table for every previous row and the destination for every package row;
// the lookups go through hash indexes instead, so the merge grows linearly with the tables.
//
// Memory: every package row is kept while its table merges (the first pass looks rows up by
// key, the second posts them in package order): peak memory grows by about 1.7 KB an item of
// the benchmark (its row and the keys beside it): 2 x 10,000 items peak at 26 MiB, 2 x 100,000
// at 179 MiB. A package of a few thousand items, as shipped, needs a few MiB; the engine's page
// cache stays bounded beside it.
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
