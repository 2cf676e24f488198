#include "accessorydb/jet/create_database.h"

#include <algorithm>

#include "accessorydb/jet/create_header.h"
#include "accessorydb/jet/create_pages.h"
#include "accessorydb/jet/create_table_layout.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"
#include "accessorydb/jet/row_encode.h"
#include "accessorydb/jet/tdef_encode.h"

namespace jet {

namespace {

bool sameName(const Text& a, const Text& b) {
  return text::equalsIgnoreAsciiCase(a, b);
}

// Jet's rules for table, column and index names.
void checkName(const Text& name, const Text& what) {
  if (name.empty()) throw Error(ErrorKind::BadDefinition, what + u" has no name");
  if (name.size() > kMaxNameChars) {
    throw Error(ErrorKind::BadDefinition, what + u" name \"" + name + u"\" is longer than " +
                                              text::num(static_cast<int64_t>(kMaxNameChars)) +
                                              u" characters");
  }
  if (name.front() == u' ')
    throw Error(ErrorKind::BadDefinition, what + u" name \"" + name + u"\" begins with a space");
  for (char16_t c : name) {
    if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']') {
      throw Error(ErrorKind::BadDefinition,
                  what + u" name \"" + name +
                      u"\" contains a character not allowed in names (. ! ` [ ] or a control "
                      u"character)");
    }
  }
}

IndexPage emptyLeaf(uint32_t owner) {
  IndexPage page;
  page.owner = owner;
  return page;
}

}  // namespace

NewDatabase::NewDatabase(double createdDays) {
  pages_.push_back(buildHeaderPage(createdDays));
  sidKey_ = sidMaskKey(pages_[kHeaderPage].data());
  allocatePage();  // global usage map
  system_[kObjects].def = msysObjectsDef();
  system_[kAces].def = msysAcesDef();
  system_[kQueries].def = msysQueriesDef();
  system_[kRelationships].def = msysRelationshipsDef();
  // Jet's order: the TDEFs, one page of usage-map rows for all four, the index roots, then
  // data pages as rows need them.
  std::array<uint32_t, 4> tdefPages{};
  for (size_t t = 0; t < system_.size(); ++t) tdefPages[t] = system_[t].tdefPage = allocatePage();
  systemMapPage_ = allocatePage();
  for (SystemTable& t : system_) {
    for (RealIndex& index : t.def.realIndexes) index.firstPage = allocatePage();
  }
  for (const ObjectRow& row : initialObjects(tdefPages, createdDays, sidKey_)) {
    system_[kObjects].rows.push_back(objectRowValues(row));
  }
  for (const AceRow& row : initialAces(tdefPages, sidKey_)) {
    system_[kAces].rows.push_back(aceRowValues(row));
  }
  renderSystemPages();
}

uint32_t NewDatabase::allocatePage() {
  pages_.emplace_back();
  pages_.back().fill(0);
  return static_cast<uint32_t>(pages_.size() - 1);
}

std::vector<uint32_t> NewDatabase::addTable(const NewTable& table, double now) {
  NewDatabase next = *this;
  const uint32_t tdefPage = next.addUserTablePages(table);
  next.addCatalogRows(table, tdefPage, now);
  next.renderSystemPages();
  std::vector<uint32_t> changed;
  for (uint32_t n = 0; n < next.pageCount(); ++n) {
    if (n >= pageCount() || next.pages_[n] != pages_[n]) changed.push_back(n);
  }
  *this = std::move(next);
  return changed;
}

uint32_t NewDatabase::addUserTablePages(const NewTable& table) {
  checkName(table.name, u"The table");
  if (!textKeyEncodable(table.name)) {
    throw Error(ErrorKind::BadDefinition,
                u"The table name \"" + table.name +
                    u"\" holds characters whose key in the catalog's index is not known",
                {.table = table.name});
  }
  for (const auto& row : system_[kObjects].rows) {
    if (std::get<int32_t>(row[1]) == kTablesContainerId &&
        sameName(std::get<std::u16string>(row[2]), table.name)) {
      throw Error(ErrorKind::BadDefinition, u"Table '" + table.name + u"' already exists.",
                  {.table = table.name});
    }
  }
  if (table.columns.empty() || table.columns.size() > kMaxColumns) {
    throw Error(ErrorKind::BadDefinition,
                u"Table '" + table.name + u"' must have 1 to " +
                    text::num(static_cast<int64_t>(kMaxColumns)) + u" columns, not " +
                    text::num(static_cast<int64_t>(table.columns.size())),
                {.table = table.name});
  }
  std::vector<ColumnLayout> layouts;
  for (const NewColumn& c : table.columns) {
    checkName(c.name, u"A column of table '" + table.name + u"'");
    for (const ColumnLayout& earlier : layouts) {
      if (sameName(earlier.name, c.name)) {
        throw Error(ErrorKind::BadDefinition,
                    u"Column '" + c.name + u"' appears twice in table '" + table.name + u"'",
                    {.table = table.name, .column = c.name});
      }
    }
    ColumnLayout column{c.name, c.type, 0, kColumnUpdatable};
    if (c.type == ColumnType::Text) {
      if (c.maxChars < 1 || c.maxChars > kMaxTextChars) {
        throw Error(ErrorKind::BadDefinition,
                    u"Column '" + c.name + u"': a text column holds 1 to " +
                        text::num(kMaxTextChars) + u" characters, not " + text::num(c.maxChars),
                    {.table = table.name, .column = c.name});
      }
      column.length = static_cast<uint16_t>(kTextCharSize * c.maxChars);
    } else if (c.type != ColumnType::Long && c.type != ColumnType::Boolean) {
      throw Error(ErrorKind::BadDefinition, u"Column '" + c.name + u"': unsupported column type",
                  {.table = table.name, .column = c.name});
    }
    layouts.push_back(column);
  }
  TableDef def = layoutTable(table.name, tdef::kUserTable, layouts);
  const size_t rowBytes = maxRowLength(def);
  if (rowBytes > kMaxRowSize) {
    throw Error(ErrorKind::BadDefinition,
                u"Record too large: the columns of table '" + table.name + u"' need up to " +
                    text::num(static_cast<int64_t>(rowBytes)) + u" bytes per row, more than " +
                    text::num(kMaxRowSize),
                {.table = table.name});
  }
  if (table.hasPrimaryKey) {
    checkName(table.primaryKeyName, u"The key of table '" + table.name + u"'");
    const auto col = def.columnIndex(table.primaryKeyColumn);
    if (!col) {
      throw Error(ErrorKind::BadDefinition,
                  u"The key '" + table.primaryKeyName + u"' names column '" +
                      table.primaryKeyColumn + u"', which table '" + table.name +
                      u"' does not have",
                  {.table = table.name});
    }
    const ColumnDef& c = def.columns[*col];
    if (!c.is(ColumnType::Long) && !c.is(ColumnType::Text)) {
      throw Error(ErrorKind::BadDefinition,
                  u"The key '" + table.primaryKeyName +
                      u"': only integer and text columns can be keys here",
                  {.table = table.name});
    }
    RealIndex index;
    index.columns = {IndexColumn{c.number, true}};
    index.flags = kIndexUnique | kIndexRequired;
    def.realIndexes.push_back(index);
    LogicalIndex logical;
    logical.name = table.primaryKeyName;
    logical.type = kIndexTypePrimaryKey;
    def.indexes.push_back(logical);
  }

  // Pages: the TDEF chain, one page of usage-map rows (owned, free, one per index), and an
  // empty root leaf per index.
  const IndexKeyCounts noKeys(def.realIndexes.size(), 0);
  const size_t tdefPages = tdefPageCount(encodeTdef(def, noKeys).size());
  std::vector<uint32_t> chain;
  for (size_t i = 0; i < tdefPages; ++i) chain.push_back(allocatePage());
  const uint32_t mapPage = allocatePage();
  DataPageBuilder maps(usagemap::kMapPageOwner);
  def.ownedPages = RowPointer{mapPage, maps.add(inlineUsageMap({}))};
  def.freePages = RowPointer{mapPage, maps.add(inlineUsageMap({}))};
  for (RealIndex& index : def.realIndexes) {
    index.firstPage = allocatePage();
    index.usageMap = RowPointer{mapPage, maps.add(inlineUsageMap({index.firstPage}))};
    pages_[index.firstPage] = encodeIndexPage(emptyLeaf(chain.front()));
  }
  pages_[mapPage] = maps.page();
  const std::vector<Page> tdef = paginateTdef(encodeTdef(def, noKeys), chain);
  for (size_t i = 0; i < chain.size(); ++i) pages_[chain[i]] = tdef[i];
  return chain.front();
}

void NewDatabase::addCatalogRows(const NewTable& table, uint32_t tdefPage, double now) {
  const auto id = static_cast<int32_t>(tdefPage);
  auto& objects = system_[kObjects].rows;
  // A user table belongs to the database's owner: the owner of MSysDb.
  const auto database = std::find_if(objects.begin(), objects.end(), [](const auto& row) {
    return std::get<int32_t>(row[0]) == kDatabaseObjectId;
  });
  const Sid owner = std::get<Bytes>((*database)[6]);
  objects.push_back(objectRowValues(
      ObjectRow{id, kTablesContainerId, table.name, catalog::kTypeTable, now, owner, 0}));
  // Permissions as Jet gives them in Access-made files: the owner, then every other id with an
  // inheritable entry on the Tables container except the creator entry, each with all rights
  // but 0x100, not inheritable.
  std::vector<Sid> sids = {owner};
  const Sid creator = maskSid(sidKey_, kSidCreatorEntry);
  for (const auto& row : system_[kAces].rows) {
    const Sid sid = std::get<Bytes>(row[1]);
    if (std::get<int32_t>(row[0]) == kTablesContainerId && std::get<bool>(row[3]) &&
        sid != creator && std::find(sids.begin(), sids.end(), sid) == sids.end()) {
      sids.push_back(sid);
    }
  }
  for (const Sid& sid : sids) {
    system_[kAces].rows.push_back(aceRowValues(AceRow{id, sid, kAcmNewTable, false}));
  }
}

void NewDatabase::renderSystemPages() {
  DataPageBuilder maps(usagemap::kMapPageOwner);
  for (SystemTable& t : system_) {
    TableDef& def = t.def;
    // Rows, packed in order onto the table's data pages (more pages as needed).
    std::vector<RowPointer> rowIds;
    std::vector<DataPageBuilder> data;
    for (const auto& values : t.rows) {
      const std::vector<uint8_t> row = encodeRow(def, values);
      if (data.empty() || !data.back().fits(row.size())) {
        if (data.size() == t.dataPages.size()) t.dataPages.push_back(allocatePage());
        data.emplace_back(t.tdefPage);
      }
      rowIds.push_back(RowPointer{t.dataPages[data.size() - 1], data.back().add(row)});
    }
    for (size_t i = 0; i < data.size(); ++i) pages_[t.dataPages[i]] = data[i].page();
    def.rowCount = static_cast<uint32_t>(t.rows.size());

    // Usage maps, in Jet's row order: owned, free, each long-value column's pair, each index.
    def.ownedPages = RowPointer{systemMapPage_, maps.add(inlineUsageMap(t.dataPages))};
    def.freePages = RowPointer{systemMapPage_, maps.add(inlineUsageMap(t.dataPages))};
    def.longValueMaps.clear();
    for (const ColumnDef& c : def.columns) {
      if (!c.isLongValue()) continue;
      LongValueMaps lv;
      lv.columnNumber = c.number;
      lv.owned = RowPointer{systemMapPage_, maps.add(inlineUsageMap({}))};
      lv.free = RowPointer{systemMapPage_, maps.add(inlineUsageMap({}))};
      def.longValueMaps.push_back(lv);
    }
    IndexKeyCounts keyCounts;
    for (RealIndex& index : def.realIndexes) {
      index.usageMap = RowPointer{systemMapPage_, maps.add(inlineUsageMap({index.firstPage}))};
      IndexPage leaf = emptyLeaf(t.tdefPage);
      std::vector<IndexEntry>& entries = leaf.entries;
      for (size_t r = 0; r < t.rows.size(); ++r) {
        entries.push_back(leafEntry(indexKey(def, index, t.rows[r]), rowIds[r]));
      }
      if (!leaf.fits()) {
        throw Error(ErrorKind::TooLarge,
                    u"Too many objects: the index of " + def.name +
                        u" would need more than one page, which this writer does not build");
      }
      std::sort(entries.begin(), entries.end(),
                [](const IndexEntry& a, const IndexEntry& b) { return entryLess(a, b); });
      uint32_t distinct = 0;
      for (size_t i = 0; i < entries.size(); ++i) {
        const size_t keyLen = entries[i].size() - indexpage::kRowIdSize;
        const bool same =
            i > 0 && entries[i - 1].size() == entries[i].size() &&
            std::equal(entries[i].begin(), entries[i].begin() + keyLen, entries[i - 1].begin());
        if (same && index.unique()) {
          throw Error(ErrorKind::Internal, u"Duplicate key in the unique index of " + def.name);
        }
        if (!same) ++distinct;
      }
      keyCounts.push_back(distinct);
      pages_[index.firstPage] = encodeIndexPage(leaf);
    }
    const std::vector<uint8_t> tdef = encodeTdef(def, keyCounts, ColumnOrder::ByName);
    pages_[t.tdefPage] = paginateTdef(tdef, {t.tdefPage}).front();
  }
  pages_[systemMapPage_] = maps.page();

  DataPageBuilder global(usagemap::kGlobalMapOwner);
  const std::vector<uint8_t> map = globalUsageMap(pageCount());
  global.add(map);
  // A second row of the same size, all zero, is on page 1 of every file examined.
  global.add(std::vector<uint8_t>(map.size(), 0));
  pages_[kGlobalMapPage] = global.page();
}

}  // namespace jet
