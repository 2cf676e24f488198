#include "accessorydb/jet/table_writer.h"

#include <algorithm>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/usage_map.h"
#include "accessorydb/jet/value_text.h"

namespace jet {

TableWriter::TableWriter(PageFile& pages, const TableDef& table)
    : pages_(pages),
      table_(table),
      allocator_(pages),
      encoder_(table_),
      commitHook_(pages.hookBeforeCommit(*this)) {
  if (!pages_.writable()) throw Error(ErrorKind::ReadOnly, u"The database is open read-only");
  // The row counts go into this page: it must be a table definition.
  pages_.readTyped(table_.page(), kPageTdef, "a table definition");
  if (tdef::kHeaderSize + tdef::kIndexStatsSize * table_.realIndexes.size() > kPageSize) {
    throw Error(ErrorKind::Damaged, u"Damaged database: the index statistics of table " +
                                        table_.name + u" do not fit its first page");
  }
  for (const RealIndex& index : table_.realIndexes) {
    refuseUnencodedSortOrder(index);
    indexes_.push_back(std::make_unique<IndexTree>(pages_, allocator_, table_.page(), index));
  }
  keys_.resize(indexes_.size());
  newKey_.resize(indexes_.size());
  findDataPage();
}

TableWriter::~TableWriter() {
  if (!commitHook_.pageFileOpen() || pages_.failure()) return;
  try {
    beforeCommit();
  } catch (const text::Error& e) {
    pages_.fail(u"the indexes of table " + table_.name + u" could not be stored: " + e.message());
  } catch (...) {
    pages_.fail(u"the indexes of table " + table_.name + u" could not be stored");
  }
}

void TableWriter::beforeCommit() {
  for (const std::unique_ptr<IndexTree>& index : indexes_) index->storeGathered();
}

void TableWriter::refuseUnencodedSortOrder(const RealIndex& index) const {
  for (const IndexColumn& ic : index.columns) {
    const ColumnDef* c = table_.columnByNumber(ic.columnNumber);
    if (!c || !c->is(ColumnType::Text) || encodedSortOrder(c->sortOrder)) continue;
    // Keys built in another order would put the rows where Jet's seeks do not look.
    throw Error(ErrorKind::UnencodedSortOrder,
                u"Cannot write rows into table " + table_.name + u": its index on column " +
                    c->name + u" sorts text in sort order " + text::num(c->sortOrder) +
                    u", which this engine does not encode",
                {.table = table_.name, .column = c->name, .value = text::num(c->sortOrder)});
  }
}

void TableWriter::findDataPage() {
  // The last page of the free-space map that really is one of the table's data pages.
  const std::vector<uint32_t> candidates = readUsageMap(pages_, table_.freePages);
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    const PageRef p = pages_.read(*it);
    if ((*p)[pagehead::kTypeOffset] == kPageData &&
        u32le(p->data() + pagehead::kOwnerOffset) == table_.page()) {
      dataPageNo_ = *it;
      havePage_ = true;
      return;
    }
  }
}

Text TableWriter::describeKey(const LogicalIndex* index, const RealIndex& real,
                              const std::vector<Value>& values) const {
  Text out;
  for (const IndexColumn& ic : real.columns) {
    const ColumnDef* c = table_.columnByNumber(ic.columnNumber);
    if (!out.empty()) out += u", ";
    out += c->name + u" = " + valueText(values[static_cast<size_t>(c - table_.columns.data())]);
  }
  if (index) out += u" (index " + index->name + u")";
  return out;
}

Text TableWriter::describeRow(const RealIndex& real, const std::vector<Value>& values) const {
  for (const LogicalIndex& l : table_.indexes) {
    const RealIndex& primary = table_.realIndexes[l.realIndex];
    if (l.primaryKey() && &primary != &real) return describeKey(nullptr, primary, values);
  }
  // Appended, not `u"#" + num`: GCC 12 warns of a false overlap on that (-Wrestrict).
  Text number = u"#";
  number += text::num(static_cast<int64_t>(table_.rowCount) + 1);
  return number;
}

Error TableWriter::keyTooLarge(const RealIndex& real, const std::vector<Value>& values,
                               size_t entryBytes) const {
  // The column whose part of the key is largest.
  const ColumnDef* widest = nullptr;
  size_t widestBytes = 0;
  for (const IndexColumn& ic : real.columns) {
    const ColumnDef* c = table_.columnByNumber(ic.columnNumber);
    KeyBytes part;
    appendKeyValue(part, *c, values[static_cast<size_t>(c - table_.columns.data())], ic.ascending);
    if (!widest || part.size() > widestBytes) {
      widest = c;
      widestBytes = part.size();
    }
  }
  const Text row = describeRow(real, values);
  return Error(ErrorKind::KeyTooLarge,
               u"Cannot add row " + row + u" to table " + table_.name +
                   u": its entry in the index on column " + widest->name + u" takes " +
                   text::num(static_cast<int64_t>(entryBytes)) + u" bytes, more than the " +
                   text::num(static_cast<int64_t>(IndexTree::kMaxEntrySize)) +
                   u" an index entry may take (a third of a page)",
               {.table = table_.name, .column = widest->name, .value = row});
}

void TableWriter::checkKeys(const std::vector<Value>& values) {
  for (size_t i = 0; i < table_.realIndexes.size(); ++i) {
    const RealIndex& real = table_.realIndexes[i];
    const LogicalIndex* logical = nullptr;
    for (const LogicalIndex& l : table_.indexes) {
      if (l.realIndex == i && (!logical || l.primaryKey())) logical = &l;
    }
    const bool primary = logical && logical->primaryKey();
    if (primary || real.required()) {
      for (const IndexColumn& ic : real.columns) {
        const ColumnDef* c = table_.columnByNumber(ic.columnNumber);
        if (isNull(values[static_cast<size_t>(c - table_.columns.data())])) {
          throw Error(ErrorKind::MissingValue,
                      u"Table " + table_.name + u" needs a value for column " + c->name +
                          (logical ? u" (index " + logical->name + u")" : Text()),
                      {.table = table_.name, .column = c->name});
        }
      }
    }
    // Refused here, before anything is written, whether the index is walked or gathered.
    const size_t entryBytes = keys_[i].size() + indexpage::kRowIdSize;
    if (entryBytes > IndexTree::kMaxEntrySize) throw keyTooLarge(real, values, entryBytes);
    const bool exists = indexes_[i]->checkInsert(keys_[i]);
    if (exists && real.unique()) {
      throw Error(ErrorKind::DuplicateKey,
                  u"Table " + table_.name + u" already has a row with " +
                      describeKey(logical, real, values),
                  {.table = table_.name, .value = describeKey(nullptr, real, values)});
    }
    newKey_[i] = !exists;
  }
}

RowPointer TableWriter::insert(std::vector<Value>& values) {
  if (values.size() != table_.columns.size()) {
    throw Error(ErrorKind::Internal, u"Internal error: a row of table " + table_.name + u" needs " +
                                         text::num(static_cast<int64_t>(table_.columns.size())) +
                                         u" values");
  }
  uint32_t autoNumber = table_.autoNumber;
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnDef& c = table_.columns[i];
    if (isNull(values[i]) && c.is(ColumnType::Long) && (c.flags & kColumnAutoLong)) {
      values[i] = static_cast<int32_t>(++autoNumber);
      continue;
    }
    coerceInPlace(c, values[i]);
  }
  for (size_t i = 0; i < table_.realIndexes.size(); ++i) {
    indexKeyInto(keys_[i], table_, table_.realIndexes[i], values);
    indexes_[i]->prefetch(keys_[i]);  // on its way while the row is encoded
  }
  encoder_.encode(values, row_);
  checkKeys(values);

  try {
    const RowPointer where = write(autoNumber);
    // Indexes walked into change pages all over the file; rows and gathered indexes fill pages
    // one after another.
    const bool walked = std::any_of(indexes_.begin(), indexes_.end(),
                                    [](const auto& index) { return !index->gathering(); });
    pages_.writeBackIfFull(walked ? PageFile::kPendingBound : PageFile::kSequentialPendingBound);
    return where;
  } catch (const text::Error& e) {
    // The row is partly in the pending pages: none of them may reach the file.
    pages_.fail(u"an insert into table " + table_.name + u" failed: " + e.message());
    throw;
  } catch (...) {
    pages_.fail(u"an insert into table " + table_.name + u" stopped half-way");
    throw;
  }
}

RowPointer TableWriter::write(uint32_t autoNumber) {
  const RowPointer where = placeRow(row_);
  for (size_t i = 0; i < keys_.size(); ++i) indexes_[i]->insert(keys_[i], where);

  // The table definition last: its row count then covers only rows fully in place.
  ++table_.rowCount;
  table_.autoNumber = autoNumber;
  Page& tdef = pages_.change(table_.page(), PageFile::Order::Last);
  putU32le(tdef.data() + tdef::kRowCountOffset, table_.rowCount);
  putU32le(tdef.data() + tdef::kAutoNumberOffset, autoNumber);
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (!newKey_[i]) continue;
    // As Jet and Jackcess: the count of distinct keys only ever grows.
    uint8_t* count =
        tdef.data() + tdef::kHeaderSize + tdef::kIndexStatsSize * i + tdef::kIndexKeyCountOffset;
    putU32le(count, u32le(count) + 1);
  }
  return where;
}

RowPointer TableWriter::placeRow(const std::vector<uint8_t>& row) {
  if (!havePage_ || !rowFits(*pages_.read(dataPageNo_), dataPageNo_, row.size())) {
    const uint32_t previous = dataPageNo_;
    const bool hadPage = havePage_;
    const uint32_t page = allocator_.allocate();
    pages_.write(page, emptyDataPage(table_.page()));
    allocator_.setInMap(table_.ownedPages, page, true);
    allocator_.setInMap(table_.freePages, page, true);
    // The full page takes no more rows of this size: it leaves the free-space map.
    if (hadPage) allocator_.setInMap(table_.freePages, previous, false);
    dataPageNo_ = page;
    havePage_ = true;
  }
  const uint16_t rowNumber = appendRow(pages_.change(dataPageNo_), dataPageNo_, row);
  return RowPointer{dataPageNo_, static_cast<uint8_t>(rowNumber)};
}

}  // namespace jet
