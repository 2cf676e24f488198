// Inserting rows into an existing table. Each insert leaves the file whole: the row goes onto
// a data page (a new one, taken through the global map and entered into the table's owned and
// free-space maps, when the last one is full), then into every index, and last the table
// definition's row count. A refused row (a value the column cannot hold, a duplicate key of a
// unique index, a missing key value) raises Error before anything is written.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "accessorydb/jet/index_tree.h"
#include "accessorydb/jet/page_allocator.h"
#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/value.h"

namespace jet {

class TableWriter {
 public:
  // `table` must have been read from `pages`, which must be writable.
  TableWriter(PageFile& pages, const TableDef& table);

  // Inserts one row; `values` holds one value per column in table order (see coerceValue for
  // the conversions applied). Returns where the row was stored.
  RowPointer insert(std::vector<Value> values);

 private:
  void findDataPage();
  RowPointer placeRow(const std::vector<uint8_t>& row);
  void checkKeys(const std::vector<KeyBytes>& keys, const std::vector<Value>& values);
  Text describeKey(const LogicalIndex* index, const RealIndex& real,
                   const std::vector<Value>& values) const;

  PageFile& pages_;
  TableDef table_;
  PageAllocator allocator_;
  std::vector<std::unique_ptr<IndexTree>> indexes_;  // one per real index
  Page tdef_{};                                      // first TDEF page, kept current
  bool havePage_ = false;
  uint32_t dataPageNo_ = 0;
  Page dataPage_{};
};

}  // namespace jet
