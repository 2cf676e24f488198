// A table's rows as JSON Lines: one object a row, keys the column names in table order.
#pragma once

#include <cstdio>

#include "accessorydb/jet/database.h"

namespace mdbtool {

// Writes every row of the table in table order; returns the number of rows. Throws text::Error
// when the output cannot be written, jet::Error when the table is damaged.
size_t exportRows(jet::Database& db, const jet::TableDef& table, FILE* out);

}  // namespace mdbtool
