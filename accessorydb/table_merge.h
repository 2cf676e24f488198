// One table's share of the merge of a package's accessory database (nw) with the previous one
// (od) into the destination (dn). Package rows replace previous rows with the same key,
// previous rows the package does not mention stay, and a package row named "DELETE" removes
// the previous row with its key. The rows posted, their order and the trace lines are those of
// scanning the package table for every previous row and the destination for every package row;
// the lookups go through hash indexes instead, so the merge grows linearly with the tables.
#pragma once

#include <functional>

#include "accessorydb/jet/ado.h"
#include "platform/text.h"

namespace accessorydb {

using text::Text;

// Receives the trace lines; an empty function turns the trace off, and then no line is built.
using Trace = std::function<void(const Text&)>;

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

// Each cursor is bound to its connection; this opens them on the table (dn read-write, nw and
// od read-only) and closes them at the end. od is null when there is no previous database.
// Engine errors propagate.
void mergeTable(const MergeRules& rules, jet::ado::TableCursor& dn, jet::ado::TableCursor& nw,
                jet::ado::TableCursor* od, const Trace& trace);

}  // namespace accessorydb
