#include "accessorydb/jet/table_check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/usage_map.h"

namespace jet {

namespace {

std::string str(const std::u16string& s) {
  return text::toUtf8(s);
}

IndexEntry withoutChild(const IndexEntry& e) {
  return IndexEntry(e.begin(), e.end() - indexpage::kChildPageSize);
}

// Walks a subtree; returns its largest leaf entry (empty for an empty leaf).
IndexEntry walkPage(PageFile& pages, uint32_t page, uint32_t owner, int level, IndexWalk& w,
                    std::map<int, std::vector<uint32_t>>& levels) {
  if (level > 16) {
    w.problems.push_back("index tree deeper than 16 levels (a loop?)");
    return {};
  }
  w.pages.push_back(page);
  levels[level].push_back(page);
  const IndexPage p = decodeIndexPage(*pages.read(page), page);
  if (p.owner != owner)
    w.problems.push_back("index page " + std::to_string(page) + " has owner " +
                         std::to_string(p.owner));
  // Jet marks node pages, and only those, with their node flag.
  const uint8_t nodeFlag = (*pages.read(page))[indexpage::kNodeFlagOffset];
  if (nodeFlag != (p.leaf ? 0 : indexpage::kNodeFlag)) {
    w.problems.push_back((p.leaf ? "leaf " : "node ") + std::to_string(page) + " has byte " +
                         offsetText(indexpage::kNodeFlagOffset) + " = " + std::to_string(nodeFlag));
  }
  if (p.leaf) {
    w.depth = std::max(w.depth, level);
    w.leafEntries.insert(w.leafEntries.end(), p.entries.begin(), p.entries.end());
    return p.entries.empty() ? IndexEntry{} : p.entries.back();
  }
  if (p.entries.empty()) w.problems.push_back("node " + std::to_string(page) + " is empty");
  if (p.entries.size() >= 1 && p.tail == 0 && p.entries.size() > 1) {
    w.problems.push_back("node " + std::to_string(page) + " has several children but no tail");
  }
  IndexEntry max;
  for (const IndexEntry& e : p.entries) {
    max = walkPage(pages, nodeEntryChild(e), owner, level + 1, w, levels);
    if (max != withoutChild(e)) {
      w.problems.push_back("node " + std::to_string(page) +
                           ": an entry differs from the last "
                           "entry of its child " +
                           std::to_string(nodeEntryChild(e)));
    }
  }
  if (p.tail != 0) max = walkPage(pages, p.tail, owner, level + 1, w, levels);
  return max;
}

}  // namespace

std::string offsetText(size_t offset) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%zX", offset);
  return buf;
}

IndexWalk walkIndex(PageFile& pages, uint32_t root, uint32_t owner) {
  IndexWalk w;
  std::map<int, std::vector<uint32_t>> levels;
  walkPage(pages, root, owner, 0, w, levels);
  // Each level is one chain, in tree order.
  for (const auto& [level, list] : levels) {
    for (size_t i = 0; i < list.size(); ++i) {
      const IndexPage p = decodeIndexPage(*pages.read(list[i]), list[i]);
      const uint32_t prev = i == 0 ? 0 : list[i - 1];
      const uint32_t next = i + 1 == list.size() ? 0 : list[i + 1];
      if (p.prev != prev || p.next != next) {
        w.problems.push_back("index page " + std::to_string(list[i]) + " at level " +
                             std::to_string(level) + " has wrong neighbours");
      }
    }
  }
  for (size_t i = 1; i < w.leafEntries.size(); ++i) {
    if (!std::lexicographical_compare(w.leafEntries[i - 1].begin(), w.leafEntries[i - 1].end(),
                                      w.leafEntries[i].begin(), w.leafEntries[i].end())) {
      w.problems.push_back("leaf entries out of order at entry " + std::to_string(i));
    }
  }
  return w;
}

std::vector<std::string> checkTable(Database& db, const Text& tableName) {
  const Text name = tableName;  // refresh() below drops the definitions callers may name it from
  std::vector<std::string> problems;
  PageFile& pages = db.pages();
  db.refresh();
  const TableDef& def = db.table(name);
  const std::string t = str(name) + ": ";

  // Rows and their ids.
  std::map<std::pair<uint32_t, uint8_t>, std::vector<Value>> rows;
  TableScanner scan = db.scan(def);
  while (scan.next()) rows[{scan.rowId().page, scan.rowId().row}] = scan.values();
  if (rows.size() != def.rowCount) {
    problems.push_back(t + "row count " + std::to_string(def.rowCount) + ", rows found " +
                       std::to_string(rows.size()));
  }

  // Data pages: exactly the owned map; free-space figures; the free map inside the owned one.
  std::set<uint32_t> dataPages;
  for (uint32_t p = 0; p < pages.pageCount(); ++p) {
    const PageRef page = pages.read(p);
    if ((*page)[pagehead::kTypeOffset] == kPageData &&
        u32le(page->data() + pagehead::kOwnerOffset) == def.page()) {
      dataPages.insert(p);
      const uint16_t n = rowCountOf(*page, p);
      size_t used = 0;
      for (uint16_t r = 0; r < n; ++r) used += rowSlot(*page, p, r).bytes.size();
      const size_t rowTableEnd = datapage::kRowTableOffset + datapage::kRowOffsetSize * n;
      if (u16le(page->data() + pagehead::kFreeSpaceOffset) != kPageSize - rowTableEnd - used) {
        problems.push_back(t + "data page " + std::to_string(p) + " has a wrong free space");
      }
    }
  }
  const std::vector<uint32_t> owned = readUsageMap(pages, def.ownedPages);
  if (std::set<uint32_t>(owned.begin(), owned.end()) != dataPages) {
    problems.push_back(t + "the owned-pages map differs from the table's data pages");
  }
  for (uint32_t p : readUsageMap(pages, def.freePages)) {
    if (!dataPages.count(p)) problems.push_back(t + "free map lists page " + std::to_string(p));
  }

  // Global map: none of the table's pages is free.
  const RowRef global = readRow(pages, kGlobalUsageMap, "the global map");
  const std::vector<uint32_t> freeList = decodeUsageMap(pages, global.slot.bytes, UINT32_MAX);
  const std::set<uint32_t> freePages(freeList.begin(), freeList.end());
  std::set<uint32_t> used(dataPages);
  used.insert(def.page());

  // Indexes.
  for (size_t i = 0; i < def.realIndexes.size(); ++i) {
    const RealIndex& real = def.realIndexes[i];
    const std::string ix = t + "index " + std::to_string(i) + ": ";
    const IndexWalk w = walkIndex(pages, real.firstPage, def.page());
    for (const std::string& p : w.problems) problems.push_back(ix + p);
    used.insert(w.pages.begin(), w.pages.end());
    const std::vector<uint32_t> mapped = readUsageMap(pages, real.usageMap);
    if (std::set<uint32_t>(mapped.begin(), mapped.end()) !=
        std::set<uint32_t>(w.pages.begin(), w.pages.end())) {
      problems.push_back(ix + "the index map differs from the tree's pages");
    }
    if (w.leafEntries.size() != rows.size()) {
      problems.push_back(ix + std::to_string(w.leafEntries.size()) + " entries for " +
                         std::to_string(rows.size()) + " rows");
    }
    std::set<std::pair<uint32_t, uint8_t>> seen;
    for (const IndexEntry& e : w.leafEntries) {
      const RowPointer at = leafEntryRow(e);
      auto row = rows.find({at.page, at.row});
      if (row == rows.end() || !seen.insert({at.page, at.row}).second) {
        problems.push_back(ix + "an entry names no row, or a row twice");
        continue;
      }
      KeyBytes key;
      try {
        key = indexKey(def, real, row->second);
      } catch (const Error&) {
        continue;  // a key we cannot build (text beyond Latin-1 written by Access)
      }
      if (key != IndexEntry(e.begin(), e.end() - indexpage::kRowIdSize)) {
        problems.push_back(ix + "an entry's key differs from its row's key");
      }
    }
  }
  for (uint32_t p : used) {
    if (freePages.count(p)) problems.push_back(t + "page " + std::to_string(p) + " is marked free");
  }
  return problems;
}

}  // namespace jet
