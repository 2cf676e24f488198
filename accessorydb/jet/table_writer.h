// Inserting rows into an existing table, through the PageFile's write-back cache.
//
// An insert puts the row onto a data page (a new one, taken through the global map and entered
// into the table's owned and free-space maps, when the last one is full), then into every index
// (an index that was empty gathers its entries in memory and is stored whole at the commit, see
// IndexTree), and last into the table definition's row count, all in pending pages. A refused
// row (a value the column cannot hold, a duplicate key of a unique index, a missing key value,
// a key too large for an index page) raises Error before anything is changed. Any other failure
// leaves the row half in the pending pages: the writer marks the PageFile failed, so they are never
// written.
//
// The file is whole at each commit point, not after each insert: PageFile::commit() (the
// caller's commit) and the close of the database or connection. Between them, the cache's bound
// (PageFile::writeBackIfFull() after an insert) may write some pages out, so the file on disk is
// whole only once the next commit is through. Who relies on what:
//   - the merge commits its new database before it reports success; a failed commit fails the
//     merge, and the install transaction deletes the half-written file and restores the backup;
//   - `mdbtool import` writes into a copy and renames it over the original only after its
//     commit, so the original is whole whatever happens;
//   - readers of the same PageFile see the pending pages at once, except the entries of an
//     index gathered in memory (a new table's, see IndexTree), which are stored by the commit
//     (or when the writer goes); other readers of the file must wait for a commit.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "accessorydb/jet/index_tree.h"
#include "accessorydb/jet/page_allocator.h"
#include "accessorydb/jet/row_encode.h"
#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/value.h"

namespace jet {

class TableWriter : private PageFile::BeforeCommit {
 public:
  // `table` must have been read from `pages`, which must be writable. Throws Error
  // (UnencodedSortOrder) for a table with an index on text of a sort order the engine does not
  // encode.
  TableWriter(PageFile& pages, const TableDef& table);
  // Stores what the indexes still keep in memory, unless the PageFile is gone or has failed (a
  // failure to store them fails it).
  ~TableWriter();
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  // Inserts one row; `values` holds one value per column in table order (see coerceValue for
  // the conversions applied). Returns where the row was stored.
  // The values are coerced in place: a caller posting row after row keeps the texts' storage.
  RowPointer insert(std::vector<Value>& values);
  RowPointer insert(std::vector<Value>&& values) { return insert(values); }

 private:
  // Stores the entries the indexes gathered in memory.
  void beforeCommit() override;
  // Everything an accepted row changes, into pending pages.
  RowPointer write(uint32_t autoNumber);
  void refuseUnencodedSortOrder(const RealIndex& index) const;
  void findDataPage();
  RowPointer placeRow(const std::vector<uint8_t>& row);
  // Refuses a row that lacks a key value or repeats a unique key, or whose keys are too large
  // for (or might not fit) the index pages; notes in newKey_, per index, whether its key is new.
  void checkKeys(const std::vector<Value>& values);
  Text describeKey(const LogicalIndex* index, const RealIndex& real,
                   const std::vector<Value>& values) const;
  // The row for a message about `real`: its primary key, unless that is `real`, else its number.
  Text describeRow(const RealIndex& real, const std::vector<Value>& values) const;
  Error keyTooLarge(const RealIndex& real, const std::vector<Value>& values,
                    size_t entryBytes) const;

  PageFile& pages_;
  TableDef table_;
  PageAllocator allocator_;
  std::vector<std::unique_ptr<IndexTree>> indexes_;  // one per real index
  bool havePage_ = false;
  uint32_t dataPageNo_ = 0;
  RowEncoder encoder_;
  // The row being inserted, its key for each index and whether that key is new; their storage
  // is kept from row to row.
  std::vector<uint8_t> row_;
  std::vector<KeyBytes> keys_;
  std::vector<bool> newKey_;
  PageFile::CommitHook commitHook_;
};

}  // namespace jet
