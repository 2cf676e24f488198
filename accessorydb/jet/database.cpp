#include "accessorydb/jet/database.h"

#include <algorithm>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/row_decode.h"
#include "accessorydb/jet/usage_map.h"

namespace jet {

namespace {

// A moved row may itself have been moved again; more hops than this is a loop.
constexpr int kMaxOverflowHops = 8;

template <typename T>
T catalogField(const TableScanner& rows, const char16_t* column) {
  const Value& v = rows.value(column);
  if (const T* x = std::get_if<T>(&v)) return *x;
  if (isNull(v)) return T{};
  throw Error(ErrorKind::Damaged,
              u"Damaged database: MSysObjects column " + Text(column) + u" has the wrong type");
}

}  // namespace

TableScanner::TableScanner(PageFile& pages, const TableDef& table)
    : pages_(pages), table_(table), dataPages_(readUsageMap(pages, table.ownedPages)) {}

void TableScanner::loadPage() {
  const uint32_t pageNo = dataPages_[pageIndex_];
  page_ = pages_.readTyped(pageNo, kPageData, "table rows");
  const uint32_t owner = u32le(page_->data() + pagehead::kOwnerOffset);
  if (owner != table_.page()) {
    throw Error(ErrorKind::Damaged, u"Damaged database: data page " + text::num(pageNo) +
                                        u" of table " + table_.name + u" belongs to TDEF page " +
                                        text::num(owner));
  }
}

bool TableScanner::next() {
  while (pageIndex_ < dataPages_.size()) {
    const uint32_t pageNo = dataPages_[pageIndex_];
    if (!page_) {
      loadPage();
      nextRow_ = 0;
    }
    const int rows = rowCountOf(*page_, pageNo);
    while (nextRow_ < rows) {
      const auto row = static_cast<uint16_t>(nextRow_++);
      RowSlot slot = rowSlot(*page_, pageNo, row);
      if (slot.deleted() || slot.overflowTarget()) continue;
      RowPointer at{pageNo, static_cast<uint8_t>(row)};
      position_ = at;
      RowRef moved;
      for (int hops = 0; slot.overflowPointer(); ++hops) {
        if (hops == kMaxOverflowHops) {
          throw Error(ErrorKind::Damaged,
                      u"Damaged database: overflow rows from page " + text::num(pageNo) + u" loop");
        }
        requireBytes(slot.bytes, 0, rowpointer::kSize, "overflow row pointer");
        at = RowPointer::decode(u32le(slot.bytes.data()));
        moved = readRow(pages_, at, "a moved row");
        slot = moved.slot;
        if (slot.deleted()) {
          throw Error(ErrorKind::Damaged, u"Damaged database: an overflow pointer on page " +
                                              text::num(pageNo) + u" names a deleted row");
        }
      }
      decodeRow(pages_, table_, slot.bytes, values_);
      rowId_ = at;
      return true;
    }
    page_.reset();
    ++pageIndex_;
  }
  return false;
}

void TableScanner::seek(RowPointer position) {
  const auto it = std::lower_bound(dataPages_.begin(), dataPages_.end(), position.page);
  const bool owned = it != dataPages_.end() && *it == position.page;
  if (owned) {
    pageIndex_ = static_cast<size_t>(it - dataPages_.begin());
    loadPage();
    nextRow_ = position.row;
    if (next() && position_ == position) return;
  }
  throw Error(ErrorKind::Misuse, u"No row of table " + table_.name + u" at page " +
                                     text::num(position.page) + u" row " + text::num(position.row));
}

const Value& TableScanner::value(const Text& column) const {
  const auto i = table_.columnIndex(column);
  if (!i)
    throw Error(ErrorKind::NoColumn, u"Table " + table_.name + u" has no column " + column,
                {.table = table_.name, .column = column});
  return values_.at(*i);
}

Database::Database() = default;
Database::~Database() = default;

void Database::open(plat::Platform& fs, const Text& path, bool readOnly) {
  close();
  std::unique_ptr<plat::File> file;
  try {
    file = fs.open(path, readOnly ? plat::OpenMode::Read : plat::OpenMode::ReadWrite);
  } catch (const plat::FileError& e) {
    throw Error(ErrorKind::OpenFailed, e.message(), {.path = path, .cause = e.message()});
  }
  open(std::move(file), readOnly);
}

void Database::open(std::unique_ptr<plat::File> file, bool readOnly) {
  close();
  auto pages = std::make_unique<PageFile>(std::move(file), !readOnly);
  if (pages->pageCount() == 0)
    throw Error(ErrorKind::NotJet4, u"Not a Jet database: the file is too short");
  header_ = decodeHeader(pages->read(kHeaderPage)->data());
  pages_ = std::move(pages);
}

void Database::commit() {
  pages().commit();
}

bool Database::close() noexcept {
  refresh();
  const bool whole = !pages_ || pages_->close();
  pages_.reset();
  return whole;
}

const Header& Database::header() const {
  if (!pages_) throw Error(ErrorKind::Misuse, u"The database is not open");
  return header_;
}

PageFile& Database::pages() {
  if (!pages_) throw Error(ErrorKind::Misuse, u"The database is not open");
  return *pages_;
}

const std::vector<CatalogEntry>& Database::catalog() {
  if (catalog_) return *catalog_;
  TableDef def = readTableDef(pages(), kCatalogTdefPage);
  def.name = u"MSysObjects";
  std::vector<CatalogEntry> entries;
  TableScanner rows(pages(), def);
  while (rows.next()) {
    CatalogEntry e;
    e.name = catalogField<Text>(rows, u"Name");
    e.id = catalogField<int32_t>(rows, u"Id");
    e.parentId = catalogField<int32_t>(rows, u"ParentId");
    e.type = catalogField<int16_t>(rows, u"Type");
    e.flags = static_cast<uint32_t>(catalogField<int32_t>(rows, u"Flags"));
    entries.push_back(std::move(e));
  }
  catalog_ = std::move(entries);
  return *catalog_;
}

std::vector<Text> Database::tableNames() {
  std::vector<Text> names;
  for (const CatalogEntry& e : catalog()) {
    if (e.isUserTable()) names.push_back(e.name);
  }
  return names;
}

const TableDef& Database::table(const Text& name) {
  const CatalogEntry* found = nullptr;
  for (const CatalogEntry& e : catalog()) {
    if (e.isTable() && text::equalsIgnoreAsciiCase(e.name, name)) {
      found = &e;
      if (e.name == name) break;  // an exact match wins over a case-folded one
    }
  }
  if (!found)
    throw Error(ErrorKind::NoTable, u"No table " + name + u" in the database", {.table = name});
  auto& slot = tables_[found->tdefPage()];
  if (!slot) {
    auto def = std::make_unique<TableDef>(readTableDef(pages(), found->tdefPage()));
    def->name = found->name;
    slot = std::move(def);
  }
  return *slot;
}

void Database::refresh() {
  catalog_.reset();
  tables_.clear();
}

}  // namespace jet
