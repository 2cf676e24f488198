// Writing table definitions: a TableDef (jet/tdef.h) to its TDEF bytes and pages.
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/page_file.h"
#include "accessorydb/jet/tdef.h"

namespace jet {

// Per real index, the second word of its statistics block: the number of distinct keys it has
// held (Jet counts up on insert and never down; 0 for a new index).
using IndexKeyCounts = std::vector<uint32_t>;

// Order of the column descriptors: Access lists a user table's columns by column number; Jet
// lists those of its own system tables by name.
enum class ColumnOrder { ByNumber, ByName };

// The logical TDEF (all pages' bytes joined, first page header included) through the final
// FF FF. Logical indexes are written in name order, as Jet does; names are compared as the
// "General" sort order ranks them. Throws Error when a count does not fit its field.
std::vector<uint8_t> encodeTdef(const TableDef& def, const IndexKeyCounts& keyCounts,
                                ColumnOrder order = ColumnOrder::ByNumber);

// How many pages a logical TDEF of this length takes.
size_t tdefPageCount(size_t logicalLength);

// Cuts a logical TDEF into its pages (the first page whole, continuations with their own 8-byte
// header) chained in the order given; `pageNumbers` holds tdefPageCount() numbers.
std::vector<Page> paginateTdef(const std::vector<uint8_t>& logical,
                               const std::vector<uint32_t>& pageNumbers);

}  // namespace jet
